// FileLock: the lock the platform's account tools take on an account file: "<file>.lock",
// made by linking a file that holds our pid, so that it is exclusive on every file system and a
// lock whose owner has died can be recognised and broken. lckpwdf() is taken as well when the
// files are the machine's own (root "/").
//
//   FileLock lock(root + "/etc/passwd", "etc/passwd", std::chrono::milliseconds(15000));
//   ... re-read, modify, replace etc/passwd ...   // unlocked when `lock` goes away
#pragma once

#include <chrono>
#include <string>

namespace moxtrel::backends::files {

class FileLock {
 public:
  // Waits at most `wait`; throws AutomationError naming `label` when another writer keeps it.
  FileLock(std::string path, std::string label, std::chrono::milliseconds wait);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  std::string lock_path_;
};

// lckpwdf()/ulckpwdf(), held for the lifetime of the object.
class SystemPasswordLock {
 public:
  explicit SystemPasswordLock(std::chrono::milliseconds wait);
  ~SystemPasswordLock();
  SystemPasswordLock(const SystemPasswordLock&) = delete;
  SystemPasswordLock& operator=(const SystemPasswordLock&) = delete;
};

}  // namespace moxtrel::backends::files
