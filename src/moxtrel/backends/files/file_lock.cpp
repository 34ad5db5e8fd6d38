#include "moxtrel/backends/files/file_lock.h"

#include <fcntl.h>
#include <shadow.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "moxtrel/backends/files/fs_steps.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::files {
namespace {

[[noreturn]] void Fail(const std::string& what, int err) {
  throw AutomationError(errc::kFail, FromUtf8(what + ": " + std::strerror(err)));
}

bool WritePidFile(const std::string& path) {
  int fd = fs_steps::Open(path, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  std::string pid = std::to_string(::getpid());
  bool ok = fs_steps::WriteAll(fd, path, pid.data(), pid.size());
  const int err = errno;
  ok = fs_steps::Close(fd, path) == 0 && ok;
  if (!ok) {
    ::unlink(path.c_str());
    if (errno == 0) errno = err;
  }
  return ok;
}

// The pid a lock file names; 0 when it cannot be read.
pid_t LockOwner(const std::string& lock_path) {
  int fd = ::open(lock_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char buf[32] = {};
  ssize_t n = ::read(fd, buf, sizeof buf - 1);
  ::close(fd);
  if (n <= 0) return 0;
  return static_cast<pid_t>(std::atol(buf));
}

}  // namespace

FileLock::FileLock(std::string path, std::string label, std::chrono::milliseconds wait)
    : lock_path_(path + ".lock") {
  const std::string pid_path = path + "." + std::to_string(::getpid());
  const auto deadline = std::chrono::steady_clock::now() + wait;
  auto pause = std::chrono::milliseconds(1);
  pid_t owner = 0;
  while (true) {
    ::unlink(pid_path.c_str());
    if (!WritePidFile(pid_path)) Fail("Cannot create the lock file " + pid_path, errno);
    int linked = fs_steps::Link(pid_path, lock_path_);
    int link_errno = errno;
    struct stat st {};
    bool have = linked == 0 && ::stat(pid_path.c_str(), &st) == 0 && st.st_nlink == 2;
    ::unlink(pid_path.c_str());
    if (have) return;
    if (linked != 0 && link_errno != EEXIST) {
      Fail("Cannot lock " + label + " (" + lock_path_ + ")", link_errno);
    }
    owner = LockOwner(lock_path_);
    // A lock left by a process that no longer runs is broken, as the account tools do.
    if (owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH) {
      ::unlink(lock_path_.c_str());
      continue;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
  throw AutomationError(errc::kFail,
                        FromUtf8(label + " is locked by another writer (" + lock_path_ + ", pid " +
                                 std::to_string(owner) + ") for longer than " +
                                 std::to_string(wait.count()) + " ms; nothing was written"));
}

FileLock::~FileLock() {
  // Tried twice: a lock left behind by a live process keeps every other writer out.
  if (fs_steps::Unlink(lock_path_) != 0 && errno != ENOENT) fs_steps::Unlink(lock_path_);
}

SystemPasswordLock::SystemPasswordLock(std::chrono::milliseconds wait) {
  // lckpwdf waits up to 15 s by itself; retry for the rest of a longer wait.
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (::lckpwdf() != 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      throw AutomationError(errc::kFail,
                            u"The password files are locked by another writer (lckpwdf, "
                            u"/etc/.pwd.lock); nothing was written");
    }
  }
}

SystemPasswordLock::~SystemPasswordLock() {
  ::ulckpwdf();
}

}  // namespace moxtrel::backends::files
