// The filesystem steps the backend's writers make (lock, write, flush, replace, remove), each
// through one function here, so that a test can fail any one of them or stop the process at it.
// Without a hook each is the system call of the same name.
//
//   SetFsStepHook([&](FsStep step, const std::string& path) { return ++n == 7 ? EIO : 0; });
//   int fd = fs_steps::Open(path, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace moxtrel::backends::files {

enum class FsStep { kOpen, kWrite, kFsync, kClose, kRename, kLink, kUnlink };

const char* FsStepName(FsStep step) noexcept;

// Test hook: called before each step with the path it acts on (the target of a rename or
// link); returns 0 to make the step, or an errno value to fail it with. Set it only while no
// writer runs; nullptr removes it.
using FsStepHook = std::function<int(FsStep, const std::string& path)>;
void SetFsStepHook(FsStepHook hook);

namespace fs_steps {
// As the system calls, with errno set on failure; Write writes all of `size` or fails.
int Open(const std::string& path, int flags, mode_t mode);
bool WriteAll(int fd, const std::string& path, const char* data, std::size_t size);
int Fsync(int fd, const std::string& path);
int Close(int fd, const std::string& path);
int Rename(const std::string& from, const std::string& to);
int Link(const std::string& from, const std::string& to);
int Unlink(const std::string& path);
// Flushes the folder holding `path`, so that a rename in it reaches the disk.
int SyncFolderOf(const std::string& path);
}  // namespace fs_steps

}  // namespace moxtrel::backends::files
