// NetConf: the share definitions of Samba's registry configuration, read and changed through
// `net -s <smb.conf> conf ...` run as a child process with an argv array. smbd reads registry
// shares when a client asks for them, so a change is served at once, without a reload.
//
// Why a child process and not libsmbconf in this process (measured on Samba 4.17, Debian 12):
// - libsmbconf answers in about 10 µs a listing (0.7 ms to open) against about 55 ms for a run of
//   `net conf`; but its installed header declares no way to open the registry: that takes
//   smbconf_init_reg and lp_load_global, private symbols, and the registry's place comes from
//   Samba's process-wide configuration, which with no call of lp_load_global holds no state
//   directory (the open fails) and with one is shared by the whole process (and by
//   libsmbclient), so two computers with two smb.conf files could not live in one process.
// - Samba's libraries end the process through smb_panic on internal errors; a failing child
//   ends only the child.
// So the backend pays a few tens of milliseconds per configuration call, and stays correct.
//
//   NetConf net("/usr/bin/net", "/etc/samba/smb.conf", std::chrono::seconds(10));
//   net.AddShare("docs", "/srv/docs", "Documents");
#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "moxtrel/backends/samba/command_runner.h"
#include "moxtrel/backends/samba/smb_conf_text.h"

namespace moxtrel::backends::samba {

class NetConf {
 public:
  NetConf(std::string net, std::string smb_conf, std::chrono::milliseconds timeout);

  // Every section of the registry configuration ([global] included when it has one).
  std::vector<ConfSection> List();
  // The registry's definition of one share (found without regard to case), or nullopt.
  std::optional<ConfSection> Show(const std::string& share);
  // A read-only share, not open to guests, as `net conf addshare` makes it; errc::kObjectExists
  // when the registry holds a share of that name (without regard to case).
  void AddShare(const std::string& share, const std::string& path, const std::string& comment);
  // Creates the share when it does not exist: callers check first.
  void SetParm(const std::string& share, const std::string& key, const std::string& value);
  // errc::kNoSuchObject when the registry holds no such share.
  void DelShare(const std::string& share);

  // Runs of `net` started so far (tests and benchmarks count them), runs that ended, and runs
  // that wrote.
  long Runs() const noexcept { return runs_.load(); }
  long Ended() const noexcept { return ended_.load(); }
  long Writes() const noexcept { return writes_.load(); }

 private:
  CommandResult Run(const std::vector<std::string>& args);
  // Throws errc::kFail with net's own message.
  [[noreturn]] void Fail(const CommandResult& r, const std::u16string& what) const;

  std::string net_, smb_conf_;
  std::chrono::milliseconds timeout_;
  std::atomic<long> runs_{0};
  std::atomic<long> ended_{0};
  std::atomic<long> writes_{0};
};

}  // namespace moxtrel::backends::samba
