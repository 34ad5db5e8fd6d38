// AccountStore: the four account files of one root and its login.defs, read through a cache
// that keeps each file while its stamp (one stat: device, inode, size, times) is unchanged, and
// changed only inside Modify, which locks the files like the platform's account tools, re-reads
// them, applies an edit and writes back what changed.
//
//   AccountView v = store.View(kPasswdFile);         // one stat; passwd is read only if it changed
//   auto files = store.Read();                       // all four parsed, shared and immutable
//   store.Modify(kPasswdFile | kShadowFile, [&](AccountFiles& f) { ... edit rows ... });
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "moxtrel/backends/files/colon_file.h"
#include "moxtrel/backends/files/file_stamp.h"
#include "moxtrel/backends/files/indexed_file.h"
#include "moxtrel/backends/files/settings_files.h"

namespace moxtrel::backends::files {

struct AccountFiles {
  ColonFile passwd, shadow, group, gshadow;
};

// The files a call looks at, each as it was when the call checked it; those not asked for are
// null. A shadow or gshadow that does not exist is present() == false; one that cannot be read
// says why in unreadable().
struct AccountView {
  std::shared_ptr<const IndexedFile> passwd, shadow, group, gshadow;
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

  // The files in `which` as they are now, each checked once; throws naming the file and line
  // when one cannot be read, and errc::kNoSuchObject when passwd or group does not exist.
  AccountView View(unsigned which);
  // All four files as they are now, parsed for walking or editing every field.
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
  // etc/login.defs as it is now (no settings when it does not exist), read when it changed.
  std::shared_ptr<const Settings> LoginDefs();

  // How many times a file's text was parsed since the store was made: what tests check to see
  // that reads of unchanged files do not parse them again.
  std::size_t Parses() const;
  // How many times a kept file's stamp was checked (one stat each): what tests check to see
  // that reads served from a listing look at no file.
  std::size_t Checks() const;

 private:
  std::string Path(const char* rel) const { return root_ + "/" + rel; }
  // A file's slot in the cache, checked against the file (mutex_ held).
  struct Slot {
    std::string path;
    FileStamp stamp;
    bool racy = false;
    uint64_t generation = 0;  // moves on whenever the text changes
    std::shared_ptr<const IndexedFile> file;
  };
  std::shared_ptr<const IndexedFile> Check(std::size_t which);
  struct Locks;
  Locks LockFiles(unsigned which) const;
  void FinishRecordedChange() const;
  // Removes the change record or, when it cannot, empties it so that no writer applies it again;
  // throws when it stays or, with `change_made`, when it is left emptied.
  void RemoveRecord(bool change_made) const;
  struct Change;
  void Write(std::vector<Change>& changes) const;

  std::string root_;
  std::chrono::milliseconds lock_wait_;
  mutable std::mutex mutex_;
  Slot slots_[4];
  FileStamp defs_stamp_;
  bool defs_racy_ = false;
  std::string defs_text_;
  std::shared_ptr<const Settings> defs_;
  std::shared_ptr<const AccountFiles> files_;  // Read()'s, made from the slots' texts
  uint64_t files_generations_[4] = {};
  std::size_t parses_ = 0;
  std::size_t checks_ = 0;
};

}  // namespace moxtrel::backends::files
