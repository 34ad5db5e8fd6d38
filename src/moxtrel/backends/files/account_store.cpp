#include "moxtrel/backends/files/account_store.h"

#include <sys/stat.h>

#include <array>
#include <mutex>
#include <optional>
#include <vector>

#include "moxtrel/backends/files/file_lock.h"
#include "moxtrel/backends/files/file_replace.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::files {
namespace {

struct FileInfo {
  unsigned bit;
  const char* rel;
  std::size_t fields;
  bool required;
  ColonFile AccountFiles::*member;
};

constexpr std::array<FileInfo, 4> kFiles{{
    {kPasswdFile, "etc/passwd", kPasswdFields, true, &AccountFiles::passwd},
    {kShadowFile, "etc/shadow", kShadowFields, false, &AccountFiles::shadow},
    {kGroupFile, "etc/group", kGroupFields, true, &AccountFiles::group},
    {kGshadowFile, "etc/gshadow", kGshadowFields, false, &AccountFiles::gshadow},
}};

// What identifies a file's content without reading it: every writer replaces the file by a
// rename, which changes the inode, and an edit in place changes the time or size.
std::string StampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return "-;";
  return std::to_string(st.st_ino) + "," + std::to_string(st.st_size) + "," +
         std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + ";";
}

}  // namespace

AccountStore::AccountStore(std::string root, std::chrono::milliseconds lock_wait)
    : root_(std::move(root)), lock_wait_(lock_wait) {
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
  if (root_ == "/") root_.clear();  // paths are built as root_ + "/etc/..."
}

AccountFiles AccountStore::Load(unsigned which) const {
  AccountFiles files;
  for (const auto& f : kFiles) {
    ColonFile& file = files.*f.member;
    file.label = f.rel;
    file.field_count = f.fields;
    if (!(which & f.bit)) continue;
    std::optional<std::string> text = ReadAccountFile(Path(f.rel), f.rel);
    if (!text) {
      if (f.required) {
        throw AutomationError(errc::kNoSuchObject,
                              FromUtf8(std::string(f.rel) + " does not exist under " +
                                       (root_.empty() ? "/" : root_)));
      }
      continue;
    }
    file = ColonFile::Parse(f.rel, f.fields, *text);
  }
  return files;
}

std::shared_ptr<const AccountFiles> AccountStore::Read() {
  std::string stamp;
  for (const auto& f : kFiles) stamp += StampOf(Path(f.rel));
  std::lock_guard lock(mutex_);
  if (cached_ && stamp == cached_stamp_) return cached_;
  AccountFiles files;
  try {
    files = Load(kAllFiles);
  } catch (const AutomationError& e) {
    // A shadow file only root may read leaves the rest readable; reads that need it fail.
    if (e.code() != static_cast<int32_t>(errc::kAccessDenied)) throw;
    files = Load(kPasswdFile | kGroupFile);
    for (auto* f : {&files.shadow, &files.gshadow}) f->present = false;
  }
  cached_ = std::make_shared<const AccountFiles>(std::move(files));
  cached_stamp_ = std::move(stamp);
  return cached_;
}

void AccountStore::Modify(unsigned which, const std::function<void(AccountFiles&)>& edit) {
  // The file locks name the process, so threads of one process take turns here first.
  static std::mutex process_writers;
  std::lock_guard in_process(process_writers);
  std::optional<SystemPasswordLock> system_lock;
  if (root_.empty()) system_lock.emplace(lock_wait_);
  std::vector<std::unique_ptr<FileLock>> locks;
  unsigned present = 0;
  for (const auto& f : kFiles) {
    if (!(which & f.bit)) continue;
    struct stat st {};
    // Only files that exist are locked, as the account tools do; passwd and group must exist.
    if (::stat(Path(f.rel).c_str(), &st) != 0 && !f.required) continue;
    locks.push_back(std::make_unique<FileLock>(Path(f.rel), f.rel, lock_wait_));
    present |= f.bit;
  }
  // Read under the lock, so that what other tools wrote meanwhile is kept.
  std::array<std::optional<std::string>, 4> before;
  for (std::size_t i = 0; i < kFiles.size(); ++i) {
    if (present & kFiles[i].bit) before[i] = ReadAccountFile(Path(kFiles[i].rel), kFiles[i].rel);
  }
  AccountFiles files;
  for (std::size_t i = 0; i < kFiles.size(); ++i) {
    ColonFile& file = files.*kFiles[i].member;
    file.label = kFiles[i].rel;
    file.field_count = kFiles[i].fields;
    if (before[i]) {
      file = ColonFile::Parse(kFiles[i].rel, kFiles[i].fields, *before[i]);
    } else if ((which & kFiles[i].bit) && kFiles[i].required) {
      throw AutomationError(errc::kNoSuchObject,
                            FromUtf8(std::string(kFiles[i].rel) + " does not exist under " +
                                     (root_.empty() ? "/" : root_)));
    }
  }
  edit(files);
  for (std::size_t i = 0; i < kFiles.size(); ++i) {
    const ColonFile& file = files.*kFiles[i].member;
    if (!(present & kFiles[i].bit) || !file.present) continue;
    std::string after = file.Format();
    if (before[i] && after == *before[i]) continue;
    ReplaceAccountFile(Path(kFiles[i].rel), kFiles[i].rel, before[i].value_or(""), after);
  }
}

}  // namespace moxtrel::backends::files
