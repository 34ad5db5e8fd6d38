#include "moxtrel/backends/systemd/unit_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::systemd {
namespace {

// A unit file larger than this is not one the backend wrote or should rewrite.
constexpr std::size_t kMaxUnitFileBytes = std::size_t{1} << 20;

std::mutex& HookLock() {
  static std::mutex lock;
  return lock;
}
UnitFileHook& Hook() {
  static UnitFileHook hook;
  return hook;
}

// 0 to go on, else the errno the hook chose (set in errno too).
int Injected(UnitFileStep step, const std::string& path) {
  UnitFileHook hook;
  {
    std::lock_guard<std::mutex> hold(HookLock());
    hook = Hook();
  }
  if (!hook) return 0;
  // Called without the lock: a hook may wait for another writer's step.
  const int e = hook(step, path);
  if (e != 0) errno = e;
  return e;
}

[[noreturn]] void Failed(const char* what, const std::string& path, int e) {
  throw AutomationError(
      e == EACCES || e == EPERM || e == EROFS ? errc::kAccessDenied : errc::kFail,
      FromUtf8(what) + u" " + FromUtf8(path) + u" failed: " + FromUtf8(std::strerror(e)));
}

std::string Folder(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

void SyncFolder(const std::string& path) {
  const int fd = open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)fsync(fd);
  close(fd);
}

// Files written beside `name` by a writer that died before its rename. Writers hold the unit
// folder's lock, so under it none of these belongs to a writer still at work.
void RemoveLeftovers(const std::string& folder, const std::string& name) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const std::string prefix = ".#" + name + ".";
  while (const dirent* e = readdir(dir)) {
    if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0) {
      unlinkat(dirfd(dir), e->d_name, 0);
    }
  }
  closedir(dir);
}

}  // namespace

UnitDirLock::UnitDirLock(const std::string& unit_dir, std::chrono::milliseconds wait) {
  fd_ = open(unit_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) Failed("Opening the unit folder", unit_dir, errno);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    if ((e != EWOULDBLOCK && e != EINTR) || std::chrono::steady_clock::now() >= deadline) {
      close(fd_);
      if (e == EWOULDBLOCK) {
        throw AutomationError(errc::kFail, u"The unit folder " + FromUtf8(unit_dir) +
                                               u" stayed locked by another writer");
      }
      Failed("Locking the unit folder", unit_dir, e);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

UnitDirLock::~UnitDirLock() {
  if (fd_ >= 0) close(fd_);  // releases the lock
}

void SetUnitFileHook(UnitFileHook hook) {
  std::lock_guard<std::mutex> hold(HookLock());
  Hook() = std::move(hook);
}

std::optional<std::string> ReadUnitFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    Failed("Reading", path, errno);
  }
  std::string text;
  char buffer[8192];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0) {
      const int e = errno;
      close(fd);
      Failed("Reading", path, e);
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    if (text.size() > kMaxUnitFileBytes) {
      close(fd);
      throw AutomationError(errc::kFail, u"The unit file " + FromUtf8(path) + u" is too large");
    }
  }
  close(fd);
  return text;
}

void ReplaceUnitFile(const std::string& path, const std::string& text) {
  const std::string folder = Folder(path);
  struct stat st {};
  bool made_folder = false;
  if (stat(folder.c_str(), &st) != 0) {
    if (Injected(UnitFileStep::kMkdir, folder) != 0 ||
        (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)) {
      Failed("Making the folder", folder, errno);
    }
    made_folder = true;
  }
  // A failure leaves no folder it made: nothing of a refused write stays behind.
  struct FolderGuard {
    const std::string& folder;
    bool made;
    bool done = false;
    ~FolderGuard() {
      if (made && !done) rmdir(folder.c_str());
    }
  } guard{folder, made_folder};
  RemoveLeftovers(folder, path.substr(folder.size() + 1));
  std::random_device random;
  const std::string beside =
      folder + "/.#" + path.substr(folder.size() + 1) + "." + std::to_string(random() & 0xffffff);
  if (Injected(UnitFileStep::kOpen, beside) != 0) Failed("Writing", beside, errno);
  const int fd = open(beside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) Failed("Writing", beside, errno);
  auto give_up = [&](const char* what, int e) {
    close(fd);
    unlink(beside.c_str());
    Failed(what, beside, e);
  };
  std::size_t done = 0;
  while (done < text.size()) {
    if (Injected(UnitFileStep::kWrite, beside) != 0) give_up("Writing", errno);
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      give_up("Writing", errno);
    }
    done += static_cast<std::size_t>(n);
  }
  if (Injected(UnitFileStep::kFsync, beside) != 0 || fsync(fd) != 0) give_up("Flushing", errno);
  if (close(fd) != 0) {
    const int e = errno;
    unlink(beside.c_str());
    Failed("Writing", beside, e);
  }
  if (Injected(UnitFileStep::kRename, path) != 0 || rename(beside.c_str(), path.c_str()) != 0) {
    const int e = errno;
    unlink(beside.c_str());
    Failed("Replacing", path, e);
  }
  guard.done = true;
  SyncFolder(path);
}

void RemoveUnitFile(const std::string& path) {
  if (Injected(UnitFileStep::kUnlink, path) != 0 ||
      (unlink(path.c_str()) != 0 && errno != ENOENT)) {
    Failed("Removing", path, errno);
  }
  SyncFolder(path);
}

}  // namespace moxtrel::backends::systemd
