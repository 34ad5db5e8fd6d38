// Facts about the computer the files belong to: its operating system from os-release, and the
// processor and processor count of the running kernel. Also the shutdown command.
//
//   OsRelease os = ReadOsRelease("/");   // {"Debian GNU/Linux", "12"}
#pragma once

#include <string>

namespace moxtrel::backends::files {

struct OsRelease {
  std::string name;        // NAME
  std::string version_id;  // VERSION_ID
};

// <root>/etc/os-release, else <root>/usr/lib/os-release; throws naming both when neither reads.
OsRelease ReadOsRelease(const std::string& root);
// The machine uname reports ("x86_64").
std::string ProcessorName();
// Processors online, as text.
std::string ProcessorCountText();

// Runs `command` with "-r now" (reboot) or "-h now" through posix_spawn, no shell, and waits
// for it; throws naming the command when it cannot start or exits with a failure.
void RunShutdown(const std::string& command, bool reboot);

}  // namespace moxtrel::backends::files
