// The audit trail: every change made through a real backend is logged, as the platform's own
// account tools log theirs, with who made it, the object's path and the change. A password is
// logged as set, never shown.
//
//   auto sink = AuditSink::Syslog();                          // or AuditSink::File(path)
//   router->AddComputer(u"pc1", AuditTrail::Wrap(files_backend, sink, AuditArea::kAccounts));
//
// The backend is wrapped in a JournalLayer that keeps no journal; each call that changes
// something and succeeds becomes one line. Staged puts are logged with the SetInfo that commits
// them; a refused SetInfo logs nothing and forgets them.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "moxtrel/directory/provider.h"
#include "moxtrel/journal/call_journal.h"
#include "moxtrel/journal/journal_layer.h"

namespace moxtrel::directory {

// What a backend serves; syslog files accounts under authpriv, as the account tools do.
enum class AuditArea { kAccounts, kPrinting, kShares, kServices };

class AuditSink {
 public:
  virtual ~AuditSink() = default;
  // One entry, one line with no line break in it.
  virtual void Write(AuditArea area, std::string_view entry) = 0;

  // syslog(3) as "moxtrel" with the pid: authpriv for accounts, lpr for printing, daemon else.
  static std::shared_ptr<AuditSink> Syslog();
  // Appends "<UTC time> moxtrel[<pid>] <area>: <entry>" lines to `path`, made 0600 when new.
  // Throws AutomationError naming the file when it cannot be opened for appending.
  static std::shared_ptr<AuditSink> File(const std::string& path);
};

class AuditTrail {
 public:
  AuditTrail(std::shared_ptr<AuditSink> sink, AuditArea area);

  // `inner` behind a layer whose finished calls go to a new trail.
  static std::shared_ptr<DirectoryProvider> Wrap(std::shared_ptr<DirectoryProvider> inner,
                                                 std::shared_ptr<AuditSink> sink, AuditArea area);

  // Takes one finished call; writes an entry when it changed something.
  void Record(const JournalEntry& entry);

  // "root (uid 0)": the account the process runs as.
  static std::string Actor();

 private:
  void Write(const std::u16string& path, const std::u16string& change);

  std::shared_ptr<AuditSink> sink_;
  AuditArea area_;
  std::string actor_;
  std::mutex mutex_;
  // Per object (path folded to lower case): the puts staged since its last SetInfo, and
  // whether a Create made it. Bounded, since an object may be dropped with puts staged.
  struct Staged {
    std::u16string changes;
    std::u16string created;  // the class word Create gave, while its first SetInfo is due
  };
  std::map<std::u16string, Staged> staged_;
  static constexpr std::size_t kMaxStaged = 4096;
};

}  // namespace moxtrel::directory
