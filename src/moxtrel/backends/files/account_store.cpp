#include "moxtrel/backends/files/account_store.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "moxtrel/backends/files/change_record.h"
#include "moxtrel/backends/files/file_lock.h"
#include "moxtrel/backends/files/file_replace.h"
#include "moxtrel/backends/files/fs_steps.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::files {
namespace {

using Clock = std::chrono::steady_clock;

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

// A file's text with the stamp it had while it was read: read again while a change moved the
// stamp during the read. `racy` when a later change could leave the stamp as it is.
struct StableRead {
  FileStamp stamp;
  bool racy = false;
  std::optional<std::string> text;
};

StableRead ReadStable(const std::string& path, const std::string& label, std::size_t max_bytes) {
  for (int attempt = 0;; ++attempt) {
    const timespec began = CoarseNow();
    const FileStamp before = StampOf(path);
    StableRead r;
    r.text = ReadAccountFile(path, label, max_bytes);
    r.stamp = StampOf(path);
    const bool steady = before == r.stamp;
    if (steady || attempt == 3) {
      r.racy = !steady || IsRacy(r.stamp, began);
      return r;
    }
  }
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// The turns this process takes at the files' locks. The platform's tools try a lock once a
// second and give up after 15 tries, so writers that follow each other without a pause could
// keep them out for good: after holding the locks for kBusy in all, the process leaves them
// free for kRest, longer than the tools' pause between two tries, so that a waiting tool
// always gets its turn. A pause of kRest between changes counts as a rest.
class LockTurns {
 public:
  static constexpr auto kBusy = std::chrono::milliseconds(1000);
  static constexpr auto kRest = std::chrono::milliseconds(1100);

  // Called with the process's writers serialised.
  void BeforeTaking() {
    const auto now = Clock::now();
    if (now < rest_until_) {
      std::this_thread::sleep_until(rest_until_);
    } else if (now - last_release_ >= kRest) {
      busy_ = Clock::duration::zero();
    }
  }
  void Released(Clock::duration held) {
    last_release_ = Clock::now();
    busy_ += held;
    if (busy_ >= kBusy) {
      rest_until_ = last_release_ + kRest;
      busy_ = Clock::duration::zero();
    }
  }

 private:
  Clock::time_point last_release_{}, rest_until_{};
  Clock::duration busy_{};
};

LockTurns& Turns() {
  static LockTurns turns;
  return turns;
}

}  // namespace

struct AccountStore::Locks {
  std::vector<std::unique_ptr<FileLock>> held;
  unsigned present = 0;  // the files locked (those that exist, of the ones asked for)
  bool all = false;
};

struct AccountStore::Change {
  const FileInfo* file;
  std::string before, after;
  std::vector<std::string> edits;
};

AccountStore::AccountStore(std::string root, std::chrono::milliseconds lock_wait)
    : root_(std::move(root)), lock_wait_(lock_wait) {
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
  if (root_ == "/") root_.clear();  // paths are built as root_ + "/etc/..."
  for (std::size_t i = 0; i < kFiles.size(); ++i) slots_[i].path = Path(kFiles[i].rel);
}

std::shared_ptr<const IndexedFile> AccountStore::Check(std::size_t which) {
  const FileInfo& f = kFiles[which];
  Slot& slot = slots_[which];
  const std::string& path = slot.path;
  ++checks_;
  if (slot.file && !slot.racy && StampOf(path) == slot.stamp) return slot.file;
  StableRead read;
  const timespec began = CoarseNow();
  try {
    read = ReadStable(path, f.rel, kMaxAccountFileBytes);
  } catch (const AutomationError& e) {
    slot.file = nullptr;
    // A shadow file only root may read leaves the rest readable; what needs it says why not.
    if (f.required || e.code() != static_cast<int32_t>(errc::kAccessDenied)) throw;
    // Kept like a text: a change of its permissions moves its change time.
    slot.stamp = StampOf(path);
    slot.racy = IsRacy(slot.stamp, began);
    ++slot.generation;
    slot.file = std::make_shared<IndexedFile>(f.rel, f.fields, ToUtf8(e.description()));
    return slot.file;
  }
  slot.stamp = read.stamp;
  slot.racy = read.racy;
  if (!read.text) {
    slot.file = nullptr;
    if (f.required) {
      throw AutomationError(
          errc::kNoSuchObject,
          FromUtf8(std::string(f.rel) + " does not exist under " + (root_.empty() ? "/" : root_)));
    }
    ++slot.generation;
    slot.file = std::make_shared<IndexedFile>(f.rel, f.fields);
    return slot.file;
  }
  // A racy file read again with the same text keeps what was made of it.
  if (slot.file && slot.file->present() && slot.file->text() == *read.text) return slot.file;
  slot.file = nullptr;
  ++parses_;
  slot.file = IndexedFile::Parse(f.rel, f.fields, std::move(*read.text));
  ++slot.generation;
  return slot.file;
}

AccountView AccountStore::View(unsigned which) {
  std::lock_guard lock(mutex_);
  AccountView v;
  std::shared_ptr<const IndexedFile>* out[] = {&v.passwd, &v.shadow, &v.group, &v.gshadow};
  for (std::size_t i = 0; i < kFiles.size(); ++i) {
    if (which & kFiles[i].bit) *out[i] = Check(i);
  }
  return v;
}

std::shared_ptr<const AccountFiles> AccountStore::Read() {
  std::lock_guard lock(mutex_);
  bool same = files_ != nullptr;
  std::shared_ptr<const IndexedFile> texts[4];
  for (std::size_t i = 0; i < kFiles.size(); ++i) {
    texts[i] = Check(i);
    same = same && slots_[i].generation == files_generations_[i];
  }
  if (same) return files_;
  auto files = std::make_shared<AccountFiles>();
  for (std::size_t i = 0; i < kFiles.size(); ++i) {
    files.get()->*kFiles[i].member = texts[i]->ToColonFile();
    files_generations_[i] = slots_[i].generation;
  }
  files_ = std::move(files);
  return files_;
}

std::shared_ptr<const Settings> AccountStore::LoginDefs() {
  std::lock_guard lock(mutex_);
  const std::string path = Path("etc/login.defs");
  ++checks_;
  if (defs_ && !defs_racy_ && StampOf(path) == defs_stamp_) return defs_;
  StableRead read = ReadStable(path, "etc/login.defs", kMaxSettingsFileBytes);
  defs_stamp_ = read.stamp;
  defs_racy_ = read.racy;
  std::string text = read.text.value_or("");
  if (!defs_ || text != defs_text_) {
    ++parses_;
    defs_ = std::make_shared<const Settings>(ParseLoginDefs(text));
    defs_text_ = std::move(text);
  }
  return defs_;
}

std::size_t AccountStore::Parses() const {
  std::lock_guard lock(mutex_);
  return parses_;
}

std::size_t AccountStore::Checks() const {
  std::lock_guard lock(mutex_);
  return checks_;
}

AccountStore::Locks AccountStore::LockFiles(unsigned which) const {
  Locks locks;
  locks.all = which == kAllFiles;
  for (const auto& f : kFiles) {
    if (!(which & f.bit)) continue;
    // Only files that exist are locked, as the account tools do; passwd and group must exist.
    if (!f.required && !Exists(Path(f.rel))) continue;
    locks.held.push_back(std::make_unique<FileLock>(Path(f.rel), f.rel, lock_wait_));
    locks.present |= f.bit;
  }
  return locks;
}

namespace {

// Empties the record at `path`: an empty record is one whose change is over, which a writer
// only removes. True when it is empty on disk.
bool EmptyRecord(const std::string& path) {
  const int fd = fs_steps::Open(path, O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool flushed = fs_steps::Fsync(fd, path) == 0;
  return fs_steps::Close(fd, path) == 0 && flushed;
}

}  // namespace

void AccountStore::RemoveRecord(bool change_made) const {
  const std::string path = RecordPath();
  // Tried twice: a record left behind would be applied again by the next writer. A removal is
  // not flushed on purpose: a record that comes back after a power loss finds its change made
  // and changes nothing.
  if (fs_steps::Unlink(path) == 0 || errno == ENOENT) return;
  if (fs_steps::Unlink(path) == 0 || errno == ENOENT) return;
  const int err = errno;
  // Emptied instead, so that no later writer applies it again over what changed since.
  if (EmptyRecord(path)) {
    if (!change_made) return;
    throw AutomationError(errc::kFail, FromUtf8("The change was made, but its record " + path +
                                                " cannot be removed: " + std::strerror(err) +
                                                "; it was emptied, so no writer applies it again"));
  }
  throw AutomationError(errc::kFail, FromUtf8("The change was made, but its record " + path +
                                              " cannot be removed: " + std::strerror(err)));
}

void AccountStore::FinishRecordedChange() const {
  const std::string path = RecordPath();
  std::optional<std::string> text = ReadAccountFile(path, kRecordFile);
  if (!text) return;
  if (text->empty()) {
    // A change that is over, whose record could not be removed then; harmless if it stays.
    fs_steps::Unlink(path);
    return;
  }
  const ChangeRecord record = ChangeRecord::Parse(*text, path);
  for (const auto& f : record.files) {
    const std::string file = Path(f.label.c_str());
    std::optional<std::string> now = ReadAccountFile(file, f.label);
    if (!now) continue;
    const uint64_t digest = Digest(*now);
    if (digest == f.after) continue;
    if (digest != f.before) {
      // Changed by another writer since. When its backup holds our text, ours was made first.
      std::optional<std::string> backup = ReadAccountFile(file + "-", f.label + "-");
      if (backup && Digest(*backup) == f.after) continue;
    }
    const std::string done = ApplyEntries(*now, f.edits);
    if (done != *now) ReplaceAccountFile(file, f.label, *now, done);
  }
  RemoveRecord(true);
}

void AccountStore::Write(std::vector<Change>& changes) const {
  std::vector<std::unique_ptr<Replacement>> steps;
  for (auto& c : changes) {
    steps.push_back(
        std::make_unique<Replacement>(Path(c.file->rel), c.file->rel, c.before, c.after));
  }
  // Every new text is on disk before the first file is replaced; a failure here leaves the
  // files as they were (each Replacement removes its temporary file).
  for (auto& s : steps) s->Prepare();
  const bool recorded = steps.size() > 1;
  if (recorded) {
    ChangeRecord record;
    for (auto& c : changes) {
      record.files.push_back({c.file->rel, Digest(c.before), Digest(c.after), std::move(c.edits)});
    }
    const std::string path = RecordPath();
    WriteFlushedFile(path + "+", kRecordFile, record.Format(), 0600);
    if (fs_steps::Rename(path + "+", path) != 0) {
      const int err = errno;
      ::unlink((path + "+").c_str());
      throw AutomationError(errc::kFail, FromUtf8("Cannot write the change record " + path + ": " +
                                                  std::strerror(err) + "; nothing was written"));
    }
    if (fs_steps::SyncFolderOf(path) != 0) {
      const int err = errno;
      fs_steps::Unlink(path);
      throw AutomationError(errc::kFail, FromUtf8("Cannot flush the change record " + path + ": " +
                                                  std::strerror(err) + "; nothing was written"));
    }
  }
  try {
    for (auto& s : steps) s->Commit();
  } catch (const AutomationError& e) {
    std::u16string outcome;
    try {
      for (auto it = steps.rbegin(); it != steps.rend(); ++it) (*it)->Undo();
      if (recorded) RemoveRecord(false);
      outcome = u"; nothing was changed: the files already replaced were put back";
    } catch (const AutomationError& undo) {
      outcome = u"; putting the files back failed too (" + undo.description() + u")" +
                (recorded ? u": the next writer finishes the change from " + FromUtf8(RecordPath())
                          : std::u16string());
    }
    throw AutomationError(static_cast<uint32_t>(e.code()), e.description() + outcome);
  }
  if (recorded) RemoveRecord(true);
}

void AccountStore::Modify(unsigned which, const std::function<void(AccountFiles&)>& edit) {
  // The file locks name the process, so threads of one process take turns here first.
  static std::mutex process_writers;
  std::lock_guard in_process(process_writers);
  Turns().BeforeTaking();
  const auto taken = Clock::now();
  struct Turn {
    Clock::time_point taken;
    ~Turn() { Turns().Released(Clock::now() - taken); }
  } turn{taken};
  std::optional<SystemPasswordLock> system_lock;
  if (root_.empty()) system_lock.emplace(lock_wait_);

  Locks locks = LockFiles(Exists(RecordPath()) ? kAllFiles : which);
  if (Exists(RecordPath())) {
    // A change another writer left unfinished is finished under the locks of all the files:
    // only a writer that died leaves one behind while they are all free.
    if (!locks.all) {
      locks = Locks{};
      locks = LockFiles(kAllFiles);
    }
    FinishRecordedChange();
  }
  const unsigned present = locks.present & which;

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

  std::vector<Change> changes;
  for (std::size_t i = 0; i < kFiles.size(); ++i) {
    const ColonFile& file = files.*kFiles[i].member;
    if (!(present & kFiles[i].bit) || !file.present) continue;
    std::string after = file.Format();
    if (before[i] && after == *before[i]) continue;
    Change c{&kFiles[i], before[i].value_or(""), std::move(after), {}};
    c.edits = DiffEntries(c.before, c.after);
    // Only what the account tools can read back is written.
    const std::size_t limit = MaxEntryBytes(kFiles[i].rel);
    for (const auto& e : c.edits) {
      const std::string_view line = EditLine(e);
      if (line.size() > limit) {
        throw AutomationError(
            errc::kInvalidArg,
            FromUtf8("The entry \"" + std::string(line.substr(0, line.find(':'))) + "\" of " +
                     kFiles[i].rel + " would be " + std::to_string(line.size()) +
                     " bytes long; the account tools read entries of at most " +
                     std::to_string(limit) + " bytes. Nothing was written"));
      }
    }
    if (c.after.size() > kMaxAccountFileBytes) {
      throw AutomationError(errc::kInvalidArg,
                            FromUtf8(std::string(kFiles[i].rel) + " would grow beyond " +
                                     std::to_string(kMaxAccountFileBytes >> 20) +
                                     " MiB, the most this backend reads. Nothing was written"));
    }
    changes.push_back(std::move(c));
  }
  if (!changes.empty()) Write(changes);
}

}  // namespace moxtrel::backends::files
