#include "support/child_process.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

namespace moxtrel::testing {

pid_t SpawnServer(const std::vector<std::string>& args, const std::string& log, bool new_session) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("cannot start " + args.at(0));
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // the test died before the tie was made
    if (new_session) setsid();
    const int in = open("/dev/null", O_RDONLY);
    if (in >= 0) dup2(in, 0);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

}  // namespace moxtrel::testing
