#include "moxtrel/backends/files/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::files {
namespace {

std::function<void(const std::string&)>& Hook() {
  static std::function<void(const std::string&)> hook;
  return hook;
}

[[noreturn]] void Fail(const std::string& what, int err) {
  throw AutomationError(errc::kFail, FromUtf8(what + ": " + std::strerror(err)));
}

// Writes `text` to a new file at `path` with the owner and mode of `like`, flushed to disk.
void WriteFlushed(const std::string& path, const std::string& label, const std::string& text,
                  const struct stat& like) {
  ::unlink(path.c_str());
  int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) Fail("Cannot create " + path + " to write " + label, errno);
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      ::unlink(path.c_str());
      Fail("Cannot write " + path, err);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fchown(fd, like.st_uid, like.st_gid) != 0 || ::fchmod(fd, like.st_mode & 07777) != 0 ||
      ::fsync(fd) != 0) {
    int err = errno;
    ::close(fd);
    ::unlink(path.c_str());
    Fail("Cannot finish " + path, err);
  }
  if (::close(fd) != 0) Fail("Cannot close " + path, errno);
}

}  // namespace

std::optional<std::string> ReadAccountFile(const std::string& path, const std::string& label) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    int err = errno;
    throw AutomationError(
        err == EACCES ? errc::kAccessDenied : errc::kFail,
        FromUtf8("Cannot read " + label + " (" + path + "): " + std::strerror(err)));
  }
  std::string text;
  char buf[65536];
  while (true) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      throw AutomationError(
          errc::kFail, FromUtf8("Cannot read " + label + " (" + path + "): " + std::strerror(err)));
    }
    if (n == 0) break;
    text.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}

void ReplaceAccountFile(const std::string& path, const std::string& label,
                        const std::string& old_text, const std::string& new_text) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    // A file made for the first time: private for the shadow files, readable otherwise.
    st.st_mode = label.find("shadow") != std::string::npos ? 0640 : 0644;
    st.st_uid = ::geteuid();
    st.st_gid = ::getegid();
  } else {
    WriteFlushed(path + "-", label, old_text, st);
  }
  const std::string temp = path + "+";
  WriteFlushed(temp, label, new_text, st);
  try {
    if (Hook()) Hook()(temp);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    Fail("Cannot replace " + label + " (" + path + ")", err);
  }
  // The rename itself reaches the disk with the directory.
  std::string dir = path.substr(0, path.rfind('/') + 1);
  if (int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

void SetAfterTempWrittenHook(std::function<void(const std::string&)> hook) {
  Hook() = std::move(hook);
}

}  // namespace moxtrel::backends::files
