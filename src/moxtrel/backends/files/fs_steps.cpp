#include "moxtrel/backends/files/fs_steps.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace moxtrel::backends::files {
namespace {

FsStepHook& Hook() {
  static FsStepHook hook;
  return hook;
}

// True when the hook lets the step go ahead; else errno holds the injected failure.
bool Allowed(FsStep step, const std::string& path) {
  if (!Hook()) return true;
  if (int err = Hook()(step, path); err != 0) {
    errno = err;
    return false;
  }
  return true;
}

}  // namespace

const char* FsStepName(FsStep step) noexcept {
  switch (step) {
    case FsStep::kOpen:
      return "open";
    case FsStep::kWrite:
      return "write";
    case FsStep::kFsync:
      return "fsync";
    case FsStep::kClose:
      return "close";
    case FsStep::kRename:
      return "rename";
    case FsStep::kLink:
      return "link";
    case FsStep::kUnlink:
      return "unlink";
  }
  return "?";
}

void SetFsStepHook(FsStepHook hook) {
  Hook() = std::move(hook);
}

namespace fs_steps {

int Open(const std::string& path, int flags, mode_t mode) {
  if (!Allowed(FsStep::kOpen, path)) return -1;
  return ::open(path.c_str(), flags, mode);
}

bool WriteAll(int fd, const std::string& path, const char* data, std::size_t size) {
  if (!Allowed(FsStep::kWrite, path)) return false;
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

int Fsync(int fd, const std::string& path) {
  if (!Allowed(FsStep::kFsync, path)) return -1;
  return ::fsync(fd);
}

int Close(int fd, const std::string& path) {
  if (!Allowed(FsStep::kClose, path)) {
    const int err = errno;
    ::close(fd);  // the descriptor is released all the same
    errno = err;
    return -1;
  }
  return ::close(fd);
}

int Rename(const std::string& from, const std::string& to) {
  if (!Allowed(FsStep::kRename, to)) return -1;
  return ::rename(from.c_str(), to.c_str());
}

int Link(const std::string& from, const std::string& to) {
  if (!Allowed(FsStep::kLink, to)) return -1;
  return ::link(from.c_str(), to.c_str());
}

int Unlink(const std::string& path) {
  if (!Allowed(FsStep::kUnlink, path)) return -1;
  return ::unlink(path.c_str());
}

int SyncFolderOf(const std::string& path) {
  const std::string dir = path.substr(0, path.rfind('/') + 1);
  const std::string folder = dir.empty() ? "." : dir;
  int fd = Open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return -1;
  int rc = Fsync(fd, folder);
  const int err = errno;
  ::close(fd);
  errno = err;
  return rc;
}

}  // namespace fs_steps
}  // namespace moxtrel::backends::files
