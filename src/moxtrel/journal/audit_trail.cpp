#include "moxtrel/journal/audit_trail.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <vector>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::directory {
namespace {

const char* AreaName(AuditArea area) {
  switch (area) {
    case AuditArea::kAccounts:
      return "accounts";
    case AuditArea::kPrinting:
      return "printing";
    case AuditArea::kShares:
      return "shares";
    case AuditArea::kServices:
      return "services";
  }
  return "directory";
}

class SyslogSink final : public AuditSink {
 public:
  SyslogSink() { openlog("moxtrel", LOG_PID, LOG_USER); }
  void Write(AuditArea area, std::string_view entry) override {
    int facility = LOG_DAEMON;
    if (area == AuditArea::kAccounts) facility = LOG_AUTHPRIV;
    if (area == AuditArea::kPrinting) facility = LOG_LPR;
    syslog(facility | LOG_NOTICE, "%.*s", static_cast<int>(entry.size()), entry.data());
  }
};

class FileSink final : public AuditSink {
 public:
  explicit FileSink(const std::string& path) {
    fd_ = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK,
               0600);
    struct stat st {};
    if (fd_ >= 0 && (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
      close(fd_);
      fd_ = -1;
      throw AutomationError(errc::kInvalidArg,
                            FromUtf8("the audit file " + path + " is not a regular file"));
    }
    if (fd_ < 0) {
      throw AutomationError(errc::kAccessDenied, FromUtf8("cannot open the audit file " + path +
                                                          ": " + std::strerror(errno)));
    }
  }
  ~FileSink() override { close(fd_); }

  void Write(AuditArea area, std::string_view entry) override {
    const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::array<char, 32> stamp{};
    std::strftime(stamp.data(), stamp.size(), "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::string line = std::string(stamp.data()) + " moxtrel[" + std::to_string(getpid()) + "] " +
                       AreaName(area) + ": ";
    line.append(entry);
    line += '\n';
    // One write per line, so that lines from several processes never interleave.
    ssize_t n;
    do {
      n = ::write(fd_, line.data(), line.size());
    } while (n < 0 && errno == EINTR);
  }

 private:
  int fd_ = -1;
};

// An entry is one line: control characters in names and values are shown, not obeyed.
std::u16string Printable(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0) || c == 0x2028 || c == 0x2029) {
      static constexpr char16_t kHex[] = u"0123456789abcdef";
      out += u"\\x";
      out += kHex[(c >> 4) & 0xf];
      out += kHex[c & 0xf];
    } else {
      out += c;
    }
  }
  return out;
}

std::u16string Unquoted(const std::u16string& arg) {
  if (arg.size() >= 2 && arg.front() == u'"' && arg.back() == u'"') {
    return arg.substr(1, arg.size() - 2);
  }
  return arg;
}

std::u16string Arg(const JournalEntry& e, std::size_t i) {
  return i < e.args.size() ? Unquoted(e.args[i]) : std::u16string();
}

bool IsSecret(std::u16string_view property) {
  return FoldCase(std::u16string(property)).find(u"password") != std::u16string::npos;
}

std::u16string Assignment(std::u16string_view property, const std::u16string& shown) {
  const bool hidden = IsSecret(property) && !shown.empty() && shown.front() == u'"';
  return std::u16string(property) + u" = " + (hidden ? u"(hidden)" : shown);
}

constexpr std::u16string_view kPutSuffix = u".put";

// Reads are most calls: they are passed over before any other work.
bool IsChange(std::u16string_view member) {
  static constexpr std::u16string_view kChanges[] = {
      u"Put",    u"SetInfo", u"Create",      u"Delete",   u"MoveHere",
      u"Add",    u"Remove",  u"SetPassword", u"Shutdown", u"Pause",
      u"Resume", u"Purge",   u"Start",       u"Stop",     u"Continue"};
  if (member.size() > kPutSuffix.size() && member.ends_with(kPutSuffix)) return true;
  for (auto change : kChanges) {
    if (member == change) return true;
  }
  return false;
}

}  // namespace

std::shared_ptr<AuditSink> AuditSink::Syslog() {
  static const auto sink = std::make_shared<SyslogSink>();
  return sink;
}

std::shared_ptr<AuditSink> AuditSink::File(const std::string& path) {
  return std::make_shared<FileSink>(path);
}

AuditTrail::AuditTrail(std::shared_ptr<AuditSink> sink, AuditArea area)
    : sink_(std::move(sink)), area_(area), actor_(Actor()) {}

std::shared_ptr<DirectoryProvider> AuditTrail::Wrap(std::shared_ptr<DirectoryProvider> inner,
                                                    std::shared_ptr<AuditSink> sink,
                                                    AuditArea area) {
  auto layer = JournalLayer::Wrap(std::move(inner));
  layer->Journal().SetCapacity(0);
  auto trail = std::make_shared<AuditTrail>(std::move(sink), area);
  layer->SetTraceSink([trail](const JournalEntry& entry) { trail->Record(entry); }, IsChange);
  return layer;
}

std::string AuditTrail::Actor() {
  const uid_t uid = geteuid();
  std::string name = "uid " + std::to_string(uid);
  std::vector<char> buffer(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(uid, &pw, buffer.data(), buffer.size(), &found) == 0 && found) {
    name = std::string(found->pw_name) + " (uid " + std::to_string(uid) + ")";
  }
  return name;
}

void AuditTrail::Write(const std::u16string& path, const std::u16string& change) {
  sink_->Write(area_, actor_ + ": " + ToUtf8(Printable(path)) + ": " + ToUtf8(Printable(change)));
}

void AuditTrail::Record(const JournalEntry& e) {
  if (e.outcome == JournalEntry::Outcome::kPending || !IsChange(e.member)) return;
  const std::u16string& m = e.member;
  const std::u16string key = FoldCase(e.path);
  std::lock_guard lock(mutex_);

  const bool typed_put = m.size() > kPutSuffix.size() && m.ends_with(kPutSuffix);
  if (typed_put || (e.interface == u"IADs" && m == u"Put")) {
    if (e.failed()) return;
    if (staged_.size() >= kMaxStaged && !staged_.contains(key)) staged_.clear();
    auto& changes = staged_[key].changes;
    if (!changes.empty()) changes += u", ";
    changes += typed_put
                   ? Assignment(std::u16string_view(m).substr(0, m.size() - kPutSuffix.size()),
                                e.args.empty() ? std::u16string() : e.args[0])
                   : Assignment(Arg(e, 0), e.args.size() > 1 ? e.args[1] : u"");
    return;
  }
  if (e.interface == u"IADs" && m == u"SetInfo") {
    auto found = staged_.find(key);
    if (found == staged_.end()) return;
    Staged staged = std::move(found->second);
    staged_.erase(found);
    if (e.failed()) return;
    if (!staged.created.empty()) {
      Write(e.path, u"created " + staged.created +
                        (staged.changes.empty() ? u"" : u"; set " + staged.changes));
    } else if (!staged.changes.empty()) {
      Write(e.path, u"set " + staged.changes);
    }
    return;
  }
  if (e.failed()) return;

  if (e.interface == u"IADsContainer") {
    const std::u16string child = e.path + u"/" + Arg(e, 1);
    if (m == u"Create") {
      if (staged_.size() >= kMaxStaged) staged_.clear();
      staged_[FoldCase(child)].created = Arg(e, 0);
    } else if (m == u"Delete") {
      Write(child, u"deleted " + Arg(e, 0));
    } else if (m == u"MoveHere") {
      Write(Arg(e, 0), u"moved to " + child);
    }
    return;
  }
  if (e.interface == u"IADsGroup" && (m == u"Add" || m == u"Remove")) {
    Write(e.path, (m == u"Add" ? u"added member " : u"removed member ") + Arg(e, 0));
  } else if (m == u"SetPassword") {
    Write(e.path, u"set the password");
  } else if (e.interface == u"IADsCollection" && m == u"Remove") {
    Write(e.path, u"removed " + Arg(e, 0));
  } else if (e.interface == u"IADsComputerOperations" && m == u"Shutdown") {
    Write(e.path, Arg(e, 0) == u"True" ? u"restarted the computer" : u"shut the computer down");
  } else if (e.interface == u"IADsPrintQueueOperations" ||
             e.interface == u"IADsPrintJobOperations" || e.interface == u"IADsServiceOperations") {
    if (m == u"Pause" || m == u"Resume" || m == u"Purge" || m == u"Start" || m == u"Stop" ||
        m == u"Continue") {
      Write(e.path, FoldCase(m));
    }
  }
}

}  // namespace moxtrel::directory
