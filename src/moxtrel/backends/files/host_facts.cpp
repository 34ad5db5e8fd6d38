#include "moxtrel/backends/files/host_facts.h"

#include <spawn.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "moxtrel/backends/files/file_replace.h"
#include "moxtrel/backends/files/settings_files.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

extern char** environ;

namespace moxtrel::backends::files {

OsRelease ReadOsRelease(const std::string& root) {
  for (const char* rel : {"/etc/os-release", "/usr/lib/os-release"}) {
    if (auto text = ReadAccountFile(root + rel, rel + 1, kMaxSettingsFileBytes)) {
      Settings s = ParseAssignments(*text);
      return {s.Text("NAME", "Linux"), s.Text("VERSION_ID", "")};
    }
  }
  throw AutomationError(
      errc::kNoSuchObject,
      FromUtf8("Neither etc/os-release nor usr/lib/os-release exists under " +
               (root.empty() ? std::string("/") : root) + ": the operating system is not known"));
}

std::string ProcessorName() {
  struct utsname u {};
  if (::uname(&u) != 0) return "";
  return u.machine;
}

std::string ProcessorCountText() {
  long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  return std::to_string(n > 0 ? n : 1);
}

void RunShutdown(const std::string& command, bool reboot) {
  std::vector<std::string> args = {command, reboot ? "-r" : "-h", "now"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, command.c_str(), nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    throw AutomationError(errc::kFail, FromUtf8("Cannot run the shutdown command " + command +
                                                ": " + std::strerror(rc)));
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw AutomationError(errc::kFail, FromUtf8("The shutdown command " + command +
                                                " failed (status " + std::to_string(status) + ")"));
  }
}

}  // namespace moxtrel::backends::files
