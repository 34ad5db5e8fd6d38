#include "support/private_systemd.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/child_process.h"

namespace moxtrel::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSleep =
    "[Unit]\nDescription=Sleeping service\n\n[Service]\nExecStart=/bin/sleep 100000\n\n"
    "[Install]\nWantedBy=multi-user.target\n";
constexpr const char* kDep =
    "[Unit]\nDescription=Dependent service\nRequires=mox-sleep.service\nAfter=mox-sleep.service\n"
    "\n[Service]\nExecStart=/bin/sleep 100000\n\n[Install]\nWantedBy=multi-user.target\n";

// The script, unchanged, from the shared tools beside the project (or where the environment
// says).
std::string Script() {
  if (const char* s = std::getenv("MOXTREL_PRIVATE_SYSTEMD")) return s;
  const std::string beside = std::string(MOXTREL_SOURCE_DIR) + "/../shared/tools/private-systemd";
  if (fs::exists(beside)) return beside;
  return "/work/shared/tools/private-systemd";
}

// Runs the script to its end; its exit code, with its output in `output`.
int RunScript(const std::string& script, const char* command, const std::string& dir,
              std::string* output) {
  return RunToEnd({"/bin/bash", script, command, dir}, "", output);
}

std::string ReadFirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

struct Connection {
  sd_bus* bus = nullptr;
  explicit Connection(const std::string& address) {
    int r = sd_bus_new(&bus);
    if (r >= 0) r = sd_bus_set_address(bus, address.c_str());
    if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
    if (r >= 0) r = sd_bus_start(bus);
    if (r < 0) {
      sd_bus_unref(bus);
      throw std::runtime_error("cannot connect to the private manager at " + address);
    }
  }
  ~Connection() { sd_bus_flush_close_unref(bus); }
};

}  // namespace

PrivateSystemd::PrivateSystemd() : owner_(getpid()) {
  if (geteuid() != 0) {
    why_ = "a private systemd needs root (user and cgroup namespaces)";
    return;
  }
  script_ = Script();
  if (!fs::exists(script_) || !fs::exists("/lib/systemd/systemd") ||
      !fs::exists("/usr/bin/dbus-daemon")) {
    why_ = "systemd, dbus-daemon or " + script_ + " is not installed here";
    return;
  }
  char tmpl[] = "/tmp/moxtrel-sd-XXXXXX";
  if (!mkdtemp(tmpl)) {
    why_ = "mkdtemp failed";
    return;
  }
  dir_ = tmpl;
  // The watchdog stops the manager when this program ends without saying so.
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    why_ = "pipe failed";
    return;
  }
  const std::string script = script_, dir = dir_;
  // The script wants a folder that is empty or missing.
  const std::string managed = dir_ + "/m";
  const pid_t watchdog = fork();
  if (watchdog == 0) {
    close(pipe_fds[1]);
    setsid();
    signal(SIGINT, SIG_IGN);
    signal(SIGTERM, SIG_IGN);
    char word = 0;
    ssize_t n;
    do {
      n = read(pipe_fds[0], &word, 1);
    } while (n < 0 && errno == EINTR);
    if (n == 1) _exit(0);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    execl("/bin/bash", "bash", "-c", "\"$0\" stop \"$1/m\"; rm -rf -- \"$1\"", script.c_str(),
          dir.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipe_fds[0]);
  if (watchdog < 0) {
    close(pipe_fds[1]);
    why_ = "fork failed";
    return;
  }
  watchdog_fd_ = pipe_fds[1];
  watchdog_pid_ = watchdog;

  std::string output;
  if (RunScript(script_, "start", managed, &output) != 0) {
    why_ = "private-systemd start failed: " + output;
    // It may have got far enough to leave a cgroup or a process.
    if (fs::exists(managed + "/cgroup-name")) RunScript(script_, "stop", managed, nullptr);
    return;
  }
  dir_ = managed;
  pid_ = std::atoi(ReadFirstLine(dir_ + "/pid").c_str());
  bus_ = ReadFirstLine(dir_ + "/system-bus");
  cgroup_ = ReadFirstLine(dir_ + "/cgroup-name");
  started_ = true;
  try {
    Reset();
  } catch (const std::exception& e) {
    why_ = std::string("the private manager did not take the test units: ") + e.what();
    Stop();
  }
}

PrivateSystemd::~PrivateSystemd() {
  // A child this program forked, ending through exit(), runs this too: the manager is the
  // parent's to stop.
  if (getpid() != owner_) return;
  Stop();
  if (watchdog_fd_ >= 0) {
    const char word = 1;
    if (write(watchdog_fd_, &word, 1) != 1) {
      // the watchdog then runs the stop a second time, which the script allows
    }
    close(watchdog_fd_);
    waitpid(watchdog_pid_, nullptr, 0);
  }
  std::error_code ignored;
  if (!dir_.empty()) {
    const fs::path top =
        fs::path(dir_).filename() == "m" ? fs::path(dir_).parent_path() : fs::path(dir_);
    fs::remove_all(top, ignored);
  }
}

void PrivateSystemd::Stop() {
  if (!started_) return;
  started_ = false;
  std::string output;
  const int rc = RunScript(script_, "stop", dir_, &output);
  const bool left =
      fs::exists("/sys/fs/cgroup/unified/" + cgroup_) || fs::exists("/sys/fs/cgroup/" + cgroup_);
  if (rc != 0 || left) {
    // Said where a person will see it; a destructor cannot fail the test.
    fprintf(stderr, "private-systemd stop %s: exit %d, cgroup %s %s\n%s\n", dir_.c_str(), rc,
            cgroup_.c_str(), left ? "LEFT BEHIND" : "removed", output.c_str());
  }
}

void PrivateSystemd::WriteUnit(bool vendor, const std::string& name,
                               const std::string& text) const {
  std::ofstream out((vendor ? Lib() : Units()) + "/" + name, std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write the unit " + name);
}

void PrivateSystemd::Call(const std::string& method, const std::vector<std::string>& args) const {
  Connection bus(bus_);
  sd_bus_message* call = nullptr;
  sd_bus_message* reply = nullptr;
  sd_bus_error error{};
  int r = sd_bus_message_new_method_call(bus.bus, &call, "org.freedesktop.systemd1",
                                         "/org/freedesktop/systemd1",
                                         "org.freedesktop.systemd1.Manager", method.c_str());
  for (const auto& a : args) {
    if (r >= 0) r = sd_bus_message_append_basic(call, 's', a.c_str());
  }
  if (r >= 0) r = sd_bus_call(bus.bus, call, 30'000'000, &error, &reply);
  const std::string why = error.message ? error.message : std::to_string(r);
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  sd_bus_message_unref(call);
  if (r < 0) throw std::runtime_error(method + " failed: " + why);
}

std::string PrivateSystemd::UnitProperty(const std::string& unit,
                                         const std::string& property) const {
  Connection bus(bus_);
  char* path = nullptr;
  sd_bus_path_encode("/org/freedesktop/systemd1/unit", unit.c_str(), &path);
  char* value = nullptr;
  sd_bus_error error{};
  const int r =
      sd_bus_get_property_string(bus.bus, "org.freedesktop.systemd1", path,
                                 "org.freedesktop.systemd1.Unit", property.c_str(), &error, &value);
  free(path);
  sd_bus_error_free(&error);
  std::string out = value ? value : "";
  free(value);
  if (r < 0) throw std::runtime_error("reading " + property + " of " + unit + " failed");
  return out;
}

void PrivateSystemd::Reset() {
  for (const char* unit : {"mox-dep.service", "mox-sleep.service"}) {
    try {
      if (UnitProperty(unit, "FreezerState") != "running") Call("ThawUnit", {unit});
    } catch (const std::runtime_error&) {
    }
    try {
      Call("StopUnit", {unit, "replace"});
    } catch (const std::runtime_error&) {
    }
  }
  // Every drop-in, link and mask, and any unit a test wrote, goes.
  for (const auto& entry : fs::directory_iterator(Units())) fs::remove_all(entry.path());
  fs::create_directories(Units() + "/multi-user.target.wants");
  fs::create_symlink("/usr/lib/systemd/system/mox-sleep.service",
                     Units() + "/multi-user.target.wants/mox-sleep.service");
  WriteUnit(true, "mox-sleep.service", kSleep);
  WriteUnit(true, "mox-dep.service", kDep);
  Call("Reload");
  Call("ResetFailed");
  for (int i = 0; i < 500; ++i) {
    if (UnitProperty("mox-sleep.service", "ActiveState") == "inactive" &&
        UnitProperty("mox-dep.service", "ActiveState") == "inactive") {
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  throw std::runtime_error("the test services did not stop");
}

PrivateSystemd& SharedSystemd() {
  static PrivateSystemd manager;
  return manager;
}

}  // namespace moxtrel::testing
