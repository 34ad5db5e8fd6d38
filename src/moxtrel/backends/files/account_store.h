// AccountStore: the four account files of one root, read through a cache that is refreshed
// whenever a file changed on disk, and changed only inside Modify, which locks the files like
// the platform's account tools, re-reads them, applies an edit and writes back what changed.
//
//   auto files = store.Read();                       // a snapshot, shared and immutable
//   store.Modify(kPasswdFile | kShadowFile, [&](AccountFiles& f) { ... edit rows ... });
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "moxtrel/backends/files/colon_file.h"
#include "moxtrel/backends/files/settings_files.h"

namespace moxtrel::backends::files {

struct AccountFiles {
  ColonFile passwd, shadow, group, gshadow;
};

enum FileSet : unsigned {
  kPasswdFile = 1,
  kShadowFile = 2,
  kGroupFile = 4,
  kGshadowFile = 8,
  kAllFiles = 15,
};

class AccountStore {
 public:
  AccountStore(std::string root, std::chrono::milliseconds lock_wait);

  // The files as they are now; throws naming the file and line when one cannot be read.
  std::shared_ptr<const AccountFiles> Read();
  // Locks the files in `which` (in the order passwd, shadow, group, gshadow, as the account
  // tools do), reads them afresh, calls `edit`, and replaces each file whose text changed: all
  // of them or none. An edit that throws writes nothing. A change left unfinished by a writer
  // that died is finished first, under the locks of all four files.
  void Modify(unsigned which, const std::function<void(AccountFiles&)>& edit);

  // Where a change of several files is recorded until it is complete.
  std::string RecordPath() const { return Path(kRecordFile); }
  static constexpr const char* kRecordFile = "etc/.moxtrel-change";

  const std::string& root() const noexcept { return root_; }
  Settings LoginDefs() const { return ReadLoginDefs(root_); }

 private:
  std::string Path(const char* rel) const { return root_ + "/" + rel; }
  AccountFiles Load(unsigned which) const;
  struct Locks;
  Locks LockFiles(unsigned which) const;
  void FinishRecordedChange() const;
  void RemoveRecord() const;
  struct Change;
  void Write(std::vector<Change>& changes) const;

  std::string root_;
  std::chrono::milliseconds lock_wait_;
  std::mutex mutex_;
  std::shared_ptr<const AccountFiles> cached_;
  std::string cached_stamp_;
};

}  // namespace moxtrel::backends::files
