#include "support/smbd_server.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <libsmbclient.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/child_process.h"

namespace moxtrel::testing {
namespace {

constexpr const char* kSmbd = "/usr/sbin/smbd";
constexpr const char* kNet = "/usr/bin/net";
constexpr const char* kSmbpasswd = "/usr/bin/smbpasswd";

std::string Secret() {
  std::random_device rd;
  const char* alphabet = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
  std::string s = "Mx";
  for (int i = 0; i < 18; ++i) s.push_back(alphabet[rd() % 57]);
  return s;
}

bool Alive(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  const auto close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

}  // namespace

std::vector<pid_t> ProcessesNaming(const std::string& conf) {
  std::vector<pid_t> pids;
  DIR* proc = opendir("/proc");
  if (!proc) return pids;
  while (dirent* e = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(e->d_name, &end, 10);
    if (pid <= 0 || *end != '\0' || pid == getpid()) continue;
    std::ifstream f(std::string("/proc/") + e->d_name + "/cmdline", std::ios::binary);
    std::stringstream text;
    text << f.rdbuf();
    if (text.str().find(conf) != std::string::npos) pids.push_back(static_cast<pid_t>(pid));
  }
  closedir(proc);
  return pids;
}

namespace {

void TermThenKill(pid_t pid, bool child) {
  kill(pid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 300; ++i) {
    if (child ? waitpid(pid, &status, WNOHANG) == pid : !Alive(pid)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  if (child) waitpid(pid, &status, 0);
}

class Client final : public SmbClient {
 public:
  Client(const std::string& url, const std::string& password) : password_(password) {
    ctx_ = smbc_new_context();
    if (!ctx_) throw std::runtime_error("smbc_new_context failed");
    smbc_setOptionUserData(ctx_, this);
    smbc_setFunctionAuthDataWithContext(ctx_, &Client::Auth);
    smbc_setOptionNoAutoAnonymousLogin(ctx_, 1);
    smbc_setOptionUseKerberos(ctx_, 0);
    if (!smbc_init_context(ctx_)) {
      smbc_free_context(ctx_, 1);
      throw std::runtime_error("smbc_init_context failed");
    }
    dir_ = smbc_getFunctionOpendir(ctx_)(ctx_, url.c_str());
    if (!dir_) {
      const std::string why = std::strerror(errno);
      smbc_free_context(ctx_, 1);
      throw std::runtime_error("cannot open " + url + ": " + why);
    }
    url_ = url;
  }
  ~Client() override {
    smbc_getFunctionClosedir(ctx_)(ctx_, dir_);
    smbc_free_context(ctx_, 1);
  }
  std::vector<std::string> List() override { return ListOf(0, true); }
  std::vector<std::string> ListOf(unsigned type, bool any,
                                  std::vector<std::string>* comments = nullptr) {
    std::vector<std::string> names;
    SMBCFILE* d = smbc_getFunctionOpendir(ctx_)(ctx_, url_.c_str());
    if (!d) throw std::runtime_error("cannot list " + url_ + ": " + std::strerror(errno));
    while (smbc_dirent* e = smbc_getFunctionReaddir(ctx_)(ctx_, d)) {
      if (std::strcmp(e->name, ".") != 0 && std::strcmp(e->name, "..") != 0 &&
          (any || e->smbc_type == type)) {
        names.emplace_back(e->name);
        if (comments) comments->emplace_back(e->comment ? e->comment : "");
      }
    }
    smbc_getFunctionClosedir(ctx_)(ctx_, d);
    return names;
  }

 private:
  static void Auth(SMBCCTX* c, const char*, const char*, char* workgroup, int wglen, char* user,
                   int userlen, char* password, int pwlen) {
    auto* self = static_cast<Client*>(smbc_getOptionUserData(c));
    std::snprintf(workgroup, wglen, "%s", "WORKGROUP");
    std::snprintf(user, userlen, "%s", "root");
    std::snprintf(password, pwlen, "%s", self->password_.c_str());
  }

  std::string password_, url_;
  SMBCCTX* ctx_ = nullptr;
  SMBCFILE* dir_ = nullptr;
};

}  // namespace

SmbdServer::SmbdServer() {
  if (access(kSmbd, X_OK) != 0 || access(kNet, X_OK) != 0 || access(kSmbpasswd, X_OK) != 0) {
    why_ = "smbd, net or smbpasswd is not installed (Debian packages samba, samba-common-bin)";
    return;
  }
  char tmpl[] = "/tmp/moxtrel-smbd-XXXXXX";
  if (!mkdtemp(tmpl)) {
    why_ = "no temporary folder";
    return;
  }
  dir_ = tmpl;
  chmod(dir_.c_str(), 0755);
  for (const char* sub :
       {"private", "lock", "state", "cache", "pid", "ncalrpc", "log", "shares", "home/.smb"}) {
    std::filesystem::create_directories(dir_ + "/" + sub);
  }
  chmod((dir_ + "/private").c_str(), 0700);
  port_ = FreeLoopbackPort();
  conf_ = dir_ + "/smb.conf";
  const std::string tools = Folder("tools");
  {
    std::ofstream f(conf_);
    f << "[global]\n"
      << "server role = standalone server\ninterfaces = lo\nbind interfaces only = yes\n"
      << "smb ports = " << port_ << "\ndisable netbios = yes\nworkgroup = WORKGROUP\n"
      << "passdb backend = tdbsam:" << dir_ << "/private/passdb.tdb\n"
      << "private dir = " << dir_ << "/private\nlock directory = " << dir_ << "/lock\n"
      << "state directory = " << dir_ << "/state\ncache directory = " << dir_ << "/cache\n"
      << "pid directory = " << dir_ << "/pid\nncalrpc dir = " << dir_ << "/ncalrpc\n"
      << "log file = " << dir_ << "/log/log.%m\nlog level = 0\n"
      << "load printers = no\ndisable spoolss = yes\nprinting = bsd\nprintcap name = /dev/null\n"
      << "registry shares = yes\ninclude = registry\n\n"
      << "[" << kFileShare << "]\npath = " << tools << "\ncomment = Tools from smb.conf\n";
  }
  // libsmbclient reads $HOME/.smb/smb.conf before the system's: the client keeps its state here.
  {
    std::ofstream f(dir_ + "/home/.smb/smb.conf");
    f << "[global]\nlock directory = " << dir_ << "/client\nstate directory = " << dir_
      << "/client\ncache directory = " << dir_ << "/client\nprivate dir = " << dir_
      << "/client\nclient min protocol = SMB2\n";
    std::filesystem::create_directories(dir_ + "/client");
  }
  password_ = Secret();
  std::string output;
  if (RunToEnd({kSmbpasswd, "-c", conf_, "-s", "-a", "root"}, password_ + "\n" + password_ + "\n",
               &output) != 0) {
    why_ = "smbpasswd could not add root: " + output;
    return;
  }
  pid_ = SpawnServer({kSmbd, "-F", "--no-process-group", "--debug-stdout", "-s", conf_, "-d", "0"},
                     dir_ + "/log/smbd.out", /*new_session=*/true);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      why_ = "smbd exited at start; see " + dir_ + "/log";
      return;
    }
    if (AcceptsOnLoopback(port_)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  Stop();
  why_ = "smbd did not listen within 10 s";
}

SmbdServer::~SmbdServer() {
  Stop();
  if (!dir_.empty() && std::getenv("MOXTREL_KEEP_SMBD") == nullptr) {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
}

void SmbdServer::Stop() {
  if (pid_ > 0) TermThenKill(pid_, true);
  pid_ = -1;
  // samba-dcerpcd, spawned by smbd on the first RPC, is not its child once smbd is gone and
  // outlives it; its workers follow it. Each is found by our private smb.conf in its command
  // line, so no other Samba process is ever touched.
  // A helper may start a worker while it is being stopped: look again until none is left.
  if (conf_.empty()) return;
  for (int round = 0; round < 20; ++round) {
    const auto helpers = ProcessesNaming(conf_);
    if (helpers.empty()) return;
    for (pid_t helper : helpers) TermThenKill(helper, false);
  }
}

std::string SmbdServer::Folder(const std::string& name) const {
  const std::string path = dir_ + "/shares/" + name;
  std::filesystem::create_directories(path);
  return path;
}

void SmbdServer::AddShare(const std::string& name, const std::string& path,
                          const std::string& comment, int max_connections) {
  std::string output;
  if (RunToEnd({kNet, "-s", conf_, "conf", "addshare", "--", name, path, "writeable=y",
                "guest_ok=n", comment},
               "", &output) != 0) {
    throw std::runtime_error("net conf addshare " + name + ": " + output);
  }
  if (max_connections > 0 && RunToEnd({kNet, "-s", conf_, "conf", "setparm", "--", name,
                                       "max connections", std::to_string(max_connections)},
                                      "", &output) != 0) {
    throw std::runtime_error("net conf setparm " + name + ": " + output);
  }
}

void SmbdServer::DropRegistryShares() {
  std::string output;
  if (RunToEnd({kNet, "-s", conf_, "conf", "drop"}, "", &output) != 0) {
    throw std::runtime_error("net conf drop: " + output);
  }
}

void SmbdServer::ImportRegistryShares(const std::string& conf_text) {
  const std::string file = dir_ + "/import.conf";
  std::ofstream(file) << "[global]\n" << conf_text;
  std::string output;
  if (RunToEnd({kNet, "-s", conf_, "conf", "import", file}, "", &output) != 0) {
    throw std::runtime_error("net conf import: " + output);
  }
}

std::string SmbdServer::RegistryParam(const std::string& share, const std::string& param) const {
  std::string output;
  if (RunToEnd({kNet, "-s", conf_, "conf", "getparm", "--", share, param}, "", &output) != 0)
    return "";
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

std::vector<std::string> SmbdServer::ServedShares() const {
  return ListShares(nullptr);
}

std::map<std::string, std::string> SmbdServer::ServedComments() const {
  std::vector<std::string> comments;
  const auto names = ListShares(&comments);
  std::map<std::string, std::string> served;
  for (std::size_t i = 0; i < names.size(); ++i) served[names[i]] = comments[i];
  return served;
}

std::vector<std::string> SmbdServer::ListShares(std::vector<std::string>* comments) const {
  const char* old = std::getenv("HOME");
  const std::string saved = old ? old : "";
  setenv("HOME", (dir_ + "/home").c_str(), 1);
  std::vector<std::string> names;
  try {
    Client root("smb://127.0.0.1:" + std::to_string(port_) + "/", password_);
    names = root.ListOf(SMBC_FILE_SHARE, false, comments);
  } catch (...) {
    old ? setenv("HOME", saved.c_str(), 1) : unsetenv("HOME");
    throw;
  }
  old ? setenv("HOME", saved.c_str(), 1) : unsetenv("HOME");
  return names;
}

std::unique_ptr<SmbClient> SmbdServer::Connect(const std::string& share) const {
  // libsmbclient reads its configuration from $HOME: point it at the private one meanwhile.
  const char* old = std::getenv("HOME");
  const std::string saved = old ? old : "";
  setenv("HOME", (dir_ + "/home").c_str(), 1);
  std::unique_ptr<SmbClient> client;
  try {
    client = std::make_unique<Client>(
        "smb://127.0.0.1:" + std::to_string(port_) + "/" + share + "/", password_);
  } catch (...) {
    old ? setenv("HOME", saved.c_str(), 1) : unsetenv("HOME");
    throw;
  }
  old ? setenv("HOME", saved.c_str(), 1) : unsetenv("HOME");
  return client;
}

}  // namespace moxtrel::testing
