#include "moxtrel/backends/files/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "moxtrel/backends/files/fs_steps.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/platform/regular_file.h"

namespace moxtrel::backends::files {
namespace {

std::function<void(const std::string&)>& Hook() {
  static std::function<void(const std::string&)> hook;
  return hook;
}

[[noreturn]] void FailReplace(const std::string& what, int err) {
  throw AutomationError(errc::kFail, FromUtf8(what + ": " + std::strerror(err)));
}

// Writes `text` to a new file at `path` with the owner and mode of `like`, flushed to disk.
void WriteFlushed(const std::string& path, const std::string& label, const std::string& text,
                  const struct stat& like) {
  fs_steps::Unlink(path);  // a leftover of an earlier writer; usually there is none
  int fd = fs_steps::Open(path, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) FailReplace("Cannot create " + path + " to write " + label, errno);
  auto give_up = [&](const std::string& what) {
    const int err = errno;
    ::close(fd);
    ::unlink(path.c_str());
    FailReplace(what + path, err);
  };
  if (!fs_steps::WriteAll(fd, path, text.data(), text.size())) give_up("Cannot write ");
  if (::fchown(fd, like.st_uid, like.st_gid) != 0 || ::fchmod(fd, like.st_mode & 07777) != 0 ||
      fs_steps::Fsync(fd, path) != 0) {
    give_up("Cannot finish ");
  }
  if (fs_steps::Close(fd, path) != 0) {
    const int err = errno;
    ::unlink(path.c_str());
    FailReplace("Cannot close " + path, err);
  }
}

struct stat StatOrDefault(const std::string& path, const std::string& label, bool& existed) {
  struct stat st {};
  existed = ::stat(path.c_str(), &st) == 0;
  if (!existed) {
    // A file made for the first time: private for the shadow files, readable otherwise.
    st.st_mode = label.find("shadow") != std::string::npos ? 0640 : 0644;
    st.st_uid = ::geteuid();
    st.st_gid = ::getegid();
  }
  return st;
}

}  // namespace

std::optional<std::string> ReadAccountFile(const std::string& path, const std::string& label,
                                           std::size_t max_bytes) {
  try {
    return platform::ReadRegularFile(path, max_bytes);
  } catch (const platform::RegularFileError& e) {
    throw AutomationError(
        e.error() == EACCES || e.error() == EPERM ? errc::kAccessDenied : errc::kFail,
        FromUtf8("Cannot read " + label + " (" + path + "): " + e.reason()));
  }
}

Replacement::Replacement(std::string path, std::string label, std::string old_text,
                         std::string new_text)
    : path_(std::move(path)),
      label_(std::move(label)),
      old_text_(std::move(old_text)),
      new_text_(std::move(new_text)) {}

Replacement::~Replacement() {
  if (prepared_ && !replaced_ && !path_.empty()) ::unlink((path_ + "+").c_str());
}

void Replacement::Prepare() {
  const struct stat st = StatOrDefault(path_, label_, existed_);
  if (existed_) WriteFlushed(path_ + "-", label_, old_text_, st);
  const std::string temp = path_ + "+";
  WriteFlushed(temp, label_, new_text_, st);
  prepared_ = true;
  if (Hook()) Hook()(temp);  // the destructor removes the temporary file if this throws
}

void Replacement::Commit() {
  if (fs_steps::Rename(path_ + "+", path_) != 0) {
    FailReplace("Cannot replace " + label_ + " (" + path_ + ")", errno);
  }
  replaced_ = true;
  // The rename itself reaches the disk with the folder.
  if (fs_steps::SyncFolderOf(path_) != 0) FailReplace("Cannot flush the folder of " + path_, errno);
}

void Replacement::Undo() {
  if (!replaced_) return;
  if (!existed_) {
    if (fs_steps::Unlink(path_) != 0 && errno != ENOENT)
      FailReplace("Cannot remove " + path_, errno);
  } else {
    bool existed = false;
    const struct stat st = StatOrDefault(path_, label_, existed);
    WriteFlushed(path_ + "+", label_, old_text_, st);
    if (fs_steps::Rename(path_ + "+", path_) != 0) {
      const int err = errno;
      ::unlink((path_ + "+").c_str());
      FailReplace("Cannot put back " + label_ + " (" + path_ + ")", err);
    }
  }
  replaced_ = false;
  prepared_ = false;
  if (fs_steps::SyncFolderOf(path_) != 0) FailReplace("Cannot flush the folder of " + path_, errno);
}

void WriteFlushedFile(const std::string& path, const std::string& label, const std::string& text,
                      unsigned mode) {
  struct stat like {};
  like.st_mode = mode;
  like.st_uid = ::geteuid();
  like.st_gid = ::getegid();
  WriteFlushed(path, label, text, like);
}

void ReplaceAccountFile(const std::string& path, const std::string& label,
                        const std::string& old_text, const std::string& new_text) {
  Replacement r(path, label, old_text, new_text);
  r.Prepare();
  r.Commit();
}

void SetAfterTempWrittenHook(std::function<void(const std::string&)> hook) {
  Hook() = std::move(hook);
}

}  // namespace moxtrel::backends::files
