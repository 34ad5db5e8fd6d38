// RunCommand: runs a program as a child process with an argv array (never through a shell),
// collects its standard output and error, and kills it when it outlives its time. The Samba
// backend manages the server's configuration and reads its status through Samba's own tools.
//
//   CommandResult r = RunCommand({"/usr/bin/net", "-s", conf, "conf", "list"}, 10s);
//   if (r.exit_code != 0) ... r.err ...
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace moxtrel::backends::samba {

struct CommandResult {
  int exit_code = -1;  // -1 when the child was killed by a signal or by the timeout
  bool timed_out = false;
  std::string out, err;
};

// Throws AutomationError (errc::kFail) when the program cannot be started at all; a program that
// starts and fails is a result with a non-zero exit code, for the caller to judge.
CommandResult RunCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout);

}  // namespace moxtrel::backends::samba
