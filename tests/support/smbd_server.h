// SmbdServer: a private Samba file server for tests and benchmarks: `smbd -F
// --no-process-group` with its own smb.conf (a standalone server on 127.0.0.1 and a free port,
// every state, lock, cache, private, pid and log directory under a fresh temporary folder,
// registry shares on), the file share "Tools" written in smb.conf itself, and the user root
// with a password made for this run. The destructor stops smbd and the samba-dcerpcd it may
// have spawned, each by its own process id, and removes the folder. Never touches /etc/samba.
//
//   SmbdServer smb;                        // check smb.Available() first
//   smb.AddShare("Public", smb.Folder("public"), "Public files");
//   auto client = smb.Connect("Public");   // a connected libsmbclient client
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace moxtrel::testing {

// A libsmbclient client connected to one share, holding its connection open until destroyed.
class SmbClient {
 public:
  virtual ~SmbClient() = default;
  // The names in the share's top folder.
  virtual std::vector<std::string> List() = 0;
};

class SmbdServer {
 public:
  // The share written in smb.conf itself, and its folder's name under Folder().
  static constexpr const char* kFileShare = "Tools";

  SmbdServer();
  ~SmbdServer();
  SmbdServer(const SmbdServer&) = delete;
  SmbdServer& operator=(const SmbdServer&) = delete;

  // False when smbd is not installed or did not start; Why() says which.
  bool Available() const noexcept { return pid_ > 0; }
  const std::string& Why() const noexcept { return why_; }
  const std::string& Conf() const noexcept { return conf_; }
  int Port() const noexcept { return port_; }
  pid_t Pid() const noexcept { return pid_; }

  // A folder under the server's temporary folder, made if missing.
  std::string Folder(const std::string& name) const;
  // Registry shares made and removed behind the provider's back, with net. Throw
  // std::runtime_error.
  // `max_connections` 0: no limit.
  void AddShare(const std::string& name, const std::string& path, const std::string& comment,
                int max_connections = 0);
  void DropRegistryShares();
  // Replaces every registry share with the sections of `conf_text` (smb.conf format), in one run
  // of net.
  void ImportRegistryShares(const std::string& conf_text);
  // The raw value of a parameter of a registry share, or "" when it has none.
  std::string RegistryParam(const std::string& share, const std::string& param) const;

  // A client logged in as root; throws std::runtime_error when it cannot connect.
  std::unique_ptr<SmbClient> Connect(const std::string& share) const;
  // The file shares the server lists to a client (an RPC: smbd spawns samba-dcerpcd for it).
  std::vector<std::string> ServedShares() const;
  // The comment of each file share in that listing, by share name.
  std::map<std::string, std::string> ServedComments() const;

 private:
  void Stop();
  std::vector<std::string> ListShares(std::vector<std::string>* comments) const;

  std::string dir_, conf_, why_, password_;
  int port_ = 0;
  pid_t pid_ = -1;
};

// The processes whose command line names `conf`: a server's smbd and its helpers.
std::vector<pid_t> ProcessesNaming(const std::string& conf);

}  // namespace moxtrel::testing
