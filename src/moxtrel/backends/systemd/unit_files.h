// The files the systemd backend writes in the unit folder, each written beside its place,
// flushed, then renamed over it, so that the manager (and a reader such as systemctl cat) sees
// the old text or the new one, never a part. Every filesystem step goes through one hook so
// that a test can fail any of them.
//
//   ReplaceUnitFile("/etc/systemd/system/web.service.d/50-moxtrel.conf", text);
//   RemoveUnitFile("/etc/systemd/system/web.service");
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace moxtrel::backends::systemd {

enum class UnitFileStep { kMkdir, kOpen, kWrite, kFsync, kRename, kUnlink };

// Test hook: called before each step with the path it acts on; returns 0 to make the step, or
// an errno value to fail it with. nullptr removes it.
using UnitFileHook = std::function<int(UnitFileStep, const std::string& path)>;
void SetUnitFileHook(UnitFileHook hook);

// Holds the unit folder's lock (flock on the folder) while the backend reads, changes and
// writes a unit's files, so that two writers of this backend (threads or processes) never
// lose each other's change. Throws errc::kFail naming the folder when it cannot be had within
// `wait`.
class UnitDirLock {
 public:
  UnitDirLock(const std::string& unit_dir, std::chrono::milliseconds wait);
  ~UnitDirLock();
  UnitDirLock(const UnitDirLock&) = delete;
  UnitDirLock& operator=(const UnitDirLock&) = delete;

 private:
  int fd_ = -1;
};

// The file's text; nullopt when it does not exist. Throws errc::kAccessDenied or kFail naming
// the file when it cannot be read, or is larger than a unit file may be.
std::optional<std::string> ReadUnitFile(const std::string& path);
// Writes `text` to `path` by a flushed file beside it and a rename, making the folder (one
// level) when missing; nothing is left beside it on failure, and what a writer killed before
// its rename left beside it is removed first (call it holding UnitDirLock). Throws naming the
// file.
void ReplaceUnitFile(const std::string& path, const std::string& text);
// Removes the file, if present. Throws naming it.
void RemoveUnitFile(const std::string& path);

}  // namespace moxtrel::backends::systemd
