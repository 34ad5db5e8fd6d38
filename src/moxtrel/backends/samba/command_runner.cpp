#include "moxtrel/backends/samba/command_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

extern char** environ;

namespace moxtrel::backends::samba {
namespace {

// Closes what it holds, so no early return leaks a descriptor.
struct Fd {
  int fd = -1;
  ~Fd() { Close(); }
  void Close() {
    if (fd >= 0) close(fd);
    fd = -1;
  }
};

[[noreturn]] void CannotStart(const std::string& program, int error) {
  throw AutomationError(
      errc::kFail, u"Cannot run " + FromUtf8(program) + u": " + FromUtf8(std::strerror(error)));
}

}  // namespace

CommandResult RunCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
  if (argv.empty()) throw AutomationError(errc::kInvalidArg, u"RunCommand: no program given");
  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0) CannotStart(argv[0], errno);
  Fd out_read{out_pipe[0]}, out_write{out_pipe[1]};
  if (pipe2(err_pipe, O_CLOEXEC) != 0) CannotStart(argv[0], errno);
  Fd err_read{err_pipe[0]}, err_write{err_pipe[1]};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out_write.fd, 1);
  posix_spawn_file_actions_adddup2(&actions, err_write.fd, 2);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) CannotStart(argv[0], spawned);
  out_write.Close();
  err_write.Close();

  CommandResult result;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  pollfd fds[2] = {{out_read.fd, POLLIN, 0}, {err_read.fd, POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_fds = 2;
  while (open_fds > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timed_out = true;
      kill(pid, SIGKILL);
      break;
    }
    const int ready = poll(fds, 2, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open_fds;
      }
    }
  }
  int status = 0;
  pid_t waited = -1;
  while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  // A host that ignores SIGCHLD gets no status: that is no proof of success.
  if (waited == pid && !result.timed_out && WIFEXITED(status)) {
    result.exit_code = WEXITSTATUS(status);
  }
  return result;
}

}  // namespace moxtrel::backends::samba
