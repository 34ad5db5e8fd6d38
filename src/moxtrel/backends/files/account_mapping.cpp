#include "moxtrel/backends/files/account_mapping.h"

#include <cmath>
#include <ctime>
#include <utility>

#include "moxtrel/backends/files/host_facts.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/memory/attributes.h"

namespace moxtrel::backends::files {
namespace {

using directory::ObjectKind;

constexpr double kEpochDays = 25569.0;  // 1 January 1970 as a Date
constexpr int64_t kNeverDays = 99999;   // shadow's "no maximum"
constexpr int32_t kFlagScript = 0x1, kFlagDisabled = 0x2, kFlagLocked = 0x10,
                  kFlagNoPassword = 0x20, kFlagNormal = 0x200, kFlagNoExpiry = 0x10000;

[[noreturn]] void Refuse(const std::u16string& where, std::u16string_view property,
                         const std::u16string& why, uint32_t code = errc::kInvalidArg) {
  throw AutomationError(code, u"The property \"" + std::u16string(property) + u"\" of " + where +
                                  u" cannot be written: " + why);
}

std::u16string Text(const Variant& v) {
  return v.AsString();
}
std::u16string U(std::string_view s) {
  return FieldText(s);
}
Date DayDate(int64_t days) {
  return Date{kEpochDays + static_cast<double>(days)};
}

// The password field in effect: shadow's when the user has a shadow entry.
const std::string& PasswordOf(const UserRecord& r) {
  return r.sp ? (*r.sp)[kSpPasswd] : r.pw[kPwPasswd];
}

// The shadow entry, made when the user has none yet (its password moves from passwd, as
// pwconv does).
Row& Shadow(UserRecord& r, std::u16string_view property) {
  if (!r.sp) {
    if (!r.shadow_file) {
      Refuse(r.where, property, u"etc/shadow does not exist, and only it holds this property",
             errc::kNotSupported);
    }
    Row sp(kShadowFields);
    sp[kSpName] = r.pw[kPwName];
    sp[kSpPasswd] = r.pw[kPwPasswd] == "x" ? "!" : r.pw[kPwPasswd];
    r.pw[kPwPasswd] = "x";
    r.sp = std::move(sp);
  }
  return *r.sp;
}

std::string& PasswordField(UserRecord& r, std::u16string_view property) {
  if (!r.sp && r.pw[kPwPasswd] != "x") return r.pw[kPwPasswd];
  return Shadow(r, property)[kSpPasswd];
}

std::optional<int64_t> ShadowDay(const UserRecord& r, ShadowField f) {
  return r.sp ? NumberField((*r.sp)[f]) : std::nullopt;
}

std::pair<std::string_view, std::string_view> SplitGecos(std::string_view gecos) {
  std::size_t comma = gecos.find(',');
  if (comma == std::string_view::npos) return {gecos, {}};
  return {gecos.substr(0, comma), gecos.substr(comma + 1)};
}
std::string JoinGecos(std::string_view full, std::string_view rest) {
  std::string gecos(full);
  if (!rest.empty()) {
    gecos += ',';
    gecos += rest;
  }
  return gecos;
}

bool Disabled(const UserRecord& r) {
  auto expire = ShadowDay(r, kSpExpire);
  return expire && r.today >= *expire;
}
bool Locked(const UserRecord& r) {
  return PasswordOf(r).starts_with('!');
}
bool NoExpiry(const UserRecord& r) {
  auto max = ShadowDay(r, kSpMax);
  return !max || *max >= kNeverDays;
}
bool PasswordExpiredNow(const UserRecord& r) {
  auto last = ShadowDay(r, kSpLastChange);
  if (!last) return false;
  if (*last == 0) return true;  // "must change at next login"
  auto max = ShadowDay(r, kSpMax);
  return max && *max < kNeverDays && *last + *max < r.today;
}

void SetDisabled(UserRecord& r, bool on) {
  if (on == Disabled(r)) return;
  // Expiring the account on day 1 is how the platform's tools disable an account.
  Shadow(r, u"AccountDisabled")[kSpExpire] = on ? "1" : "";
}

void SetLocked(UserRecord& r, bool on) {
  std::string& pass = PasswordField(r, u"IsAccountLocked");
  if (on) {
    if (!pass.starts_with('!')) pass = "!" + pass;
    return;
  }
  std::size_t bangs = pass.find_first_not_of('!');
  if (bangs == std::string::npos) bangs = pass.size();
  if (bangs == 0) return;
  if (bangs == pass.size()) {
    Refuse(r.where, u"IsAccountLocked",
           u"unlocking would leave the account without a password; set one with SetPassword "
           u"first");
  }
  pass.erase(0, bangs);
}

void SetNoExpiry(UserRecord& r, bool on) {
  if (on == NoExpiry(r)) return;
  Row& sp = Shadow(r, u"UserFlags");
  if (on) {
    sp[kSpMax] = "";
    return;
  }
  int64_t max = r.login_defs ? r.login_defs->Number("PASS_MAX_DAYS", kNeverDays) : kNeverDays;
  if (max < 0 || max >= kNeverDays) {
    Refuse(r.where, u"UserFlags",
           u"the password cannot be made to expire: etc/login.defs sets no PASS_MAX_DAYS; set "
           u"PasswordExpirationDate instead",
           errc::kNotSupported);
  }
  sp[kSpMax] = std::to_string(max);
}

int32_t UserFlags(const UserRecord& r) {
  int32_t f = kFlagScript | kFlagNormal;
  if (Disabled(r)) f |= kFlagDisabled;
  if (Locked(r)) f |= kFlagLocked;
  if (PasswordOf(r).empty()) f |= kFlagNoPassword;
  if (NoExpiry(r)) f |= kFlagNoExpiry;
  return f;
}

void SetUserFlags(UserRecord& r, const Variant& v) {
  const int32_t now = UserFlags(r);
  const int32_t wanted = v.ToLong();
  const int32_t changed = now ^ wanted;
  const int32_t held = kFlagDisabled | kFlagLocked | kFlagNoExpiry;
  if (changed & ~held) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(changed & ~held));
    Refuse(r.where, u"UserFlags",
           u"the files backend cannot hold the flag bits " + FromUtf8(hex) +
               u" (it holds only 0x2 disabled, 0x10 locked and 0x10000 password never expires)",
           errc::kNotSupported);
  }
  if (changed & kFlagDisabled) SetDisabled(r, wanted & kFlagDisabled);
  if (changed & kFlagLocked) SetLocked(r, wanted & kFlagLocked);
  if (changed & kFlagNoExpiry) SetNoExpiry(r, wanted & kFlagNoExpiry);
}

// Whole days from a Date; refuses dates before 1970, which the files cannot hold.
int64_t DaysOf(UserRecord& r, std::u16string_view property, const Variant& v) {
  double days = std::floor(v.ToDate().value - kEpochDays);
  if (days < 0) Refuse(r.where, property, u"the files hold no date before 1 January 1970");
  return static_cast<int64_t>(days);
}

using UR = UserRecord;
using GR = GroupRecord;
using CR = ComputerRecord;

// clang-format off
constexpr PropertyRow<UserRecord> kUserRows[] = {
  {u"UserFlags", u"computed: 0x201, plus 0x2 when `AccountDisabled`, 0x10 when `IsAccountLocked`, 0x20 when the password field is empty, 0x10000 when shadow has no maximum age (empty, -1 or ≥ 99999)", u"changes of 0x2, 0x10 and 0x10000 are written as below; clearing 0x10000 sets the maximum to `PASS_MAX_DAYS` of login.defs (refused when that is unset or ≥ 99999); changes of any other bit (0x40 password cannot change, ...) are refused",
   [](const UR& r) { return Variant(UserFlags(r)); }, SetUserFlags},
  {u"AccountDisabled", u"shadow expire is set and today is on or after it (the account has expired)", u"True sets expire to 1 (the day the platform's tools use to disable); False clears an expiry that has passed",
   [](const UR& r) { return Variant::Boolean(Disabled(r)); },
   [](UR& r, const Variant& v) { SetDisabled(r, v.ToBool()); }},
  {u"IsAccountLocked", u"the password field (shadow's, else passwd's) starts with `!`", u"True puts `!` in front; False removes the leading `!`s, refused when nothing would be left (the account would have no password)",
   [](const UR& r) { return Variant::Boolean(Locked(r)); },
   [](UR& r, const Variant& v) { SetLocked(r, v.ToBool()); }},
  {u"PasswordRequired", u"the password field is not empty", u"not held as a setting",
   [](const UR& r) { return Variant::Boolean(!PasswordOf(r).empty()); }, nullptr},
  {u"AccountExpirationDate", u"shadow expire; the empty date when unset", u"the empty date clears it; earlier than 1970 is refused",
   [](const UR& r) { auto d = ShadowDay(r, kSpExpire); return Variant(d ? DayDate(*d) : Date{}); },
   [](UR& r, const Variant& v) {
     Shadow(r, u"AccountExpirationDate")[kSpExpire] =
         v.ToDate().value == 0.0 ? "" : std::to_string(DaysOf(r, u"AccountExpirationDate", v));
   }},
  {u"FullName", u"passwd GECOS up to the first comma", u"a comma is refused (it is the separator)",
   [](const UR& r) { return Variant(U(SplitGecos(r.pw[kPwGecos]).first)); },
   [](UR& r, const Variant& v) {
     CheckFieldText(u"FullName", r.where, Text(v), true);
     r.pw[kPwGecos] = JoinGecos(ToUtf8(Text(v)), SplitGecos(r.pw[kPwGecos]).second);
   }},
  {u"Description", u"passwd GECOS after the first comma (room, phones, other, as written)", u"commas allowed",
   [](const UR& r) { return Variant(U(SplitGecos(r.pw[kPwGecos]).second)); },
   [](UR& r, const Variant& v) {
     CheckFieldText(u"Description", r.where, Text(v), false);
     r.pw[kPwGecos] = JoinGecos(SplitGecos(r.pw[kPwGecos]).first, ToUtf8(Text(v)));
   }},
  {u"HomeDirectory", u"passwd home directory", u"",
   [](const UR& r) { return Variant(U(r.pw[kPwHome])); },
   [](UR& r, const Variant& v) {
     CheckFieldText(u"HomeDirectory", r.where, Text(v), false);
     r.pw[kPwHome] = ToUtf8(Text(v));
   }},
  {u"LoginScript", u"passwd login shell, the program run at login", u"",
   [](const UR& r) { return Variant(U(r.pw[kPwShell])); },
   [](UR& r, const Variant& v) {
     CheckFieldText(u"LoginScript", r.where, Text(v), false);
     r.pw[kPwShell] = ToUtf8(Text(v));
   }},
  {u"PrimaryGroupID", u"passwd gid", u"must be a gid etc/group holds",
   [](const UR& r) { return Variant(static_cast<int32_t>(IdField(r.pw[kPwGid]))); },
   [](UR& r, const Variant& v) {
     if (v.ToLong() < 0) Refuse(r.where, u"PrimaryGroupID", u"a gid is not negative");
     r.pw[kPwGid] = std::to_string(v.ToLong());
   }},
  {u"PasswordExpirationDate", u"shadow last change + maximum age; the empty date when either is unset, the last change is 0 (must change at next login) or the maximum is ≥ 99999", u"sets the maximum age; needs a known last change before the date; the empty date clears the maximum age",
   [](const UR& r) {
     auto last = ShadowDay(r, kSpLastChange);
     auto max = ShadowDay(r, kSpMax);
     bool expires = last && *last > 0 && max && *max < kNeverDays;
     return Variant(expires ? DayDate(*last + *max) : Date{});
   },
   [](UR& r, const Variant& v) {
     Row& sp = Shadow(r, u"PasswordExpirationDate");
     if (v.ToDate().value == 0.0) { sp[kSpMax] = ""; return; }
     auto last = NumberField(sp[kSpLastChange]);
     int64_t day = DaysOf(r, u"PasswordExpirationDate", v);
     if (!last || *last <= 0 || day < *last) {
       Refuse(r.where, u"PasswordExpirationDate",
              u"shadow holds it as days after the last password change, which must be known and earlier");
     }
     sp[kSpMax] = std::to_string(day - *last);
   }},
  {u"PasswordAge", u"whole days since the shadow last change; 0 when unknown. Days, not seconds, so that the object model's Date conversion stays in range", u"read-only",
   [](const UR& r) {
     auto last = ShadowDay(r, kSpLastChange);
     return Variant(static_cast<int32_t>(last && *last > 0 && *last <= r.today ? r.today - *last : 0));
   }, nullptr},
  {u"PasswordExpired", u"1 when the shadow last change is 0 (must change at next login) or last change + maximum age is before today; else 0", u"1 sets the last change to 0; 0 sets it to today when the password was expired",
   [](const UR& r) { return Variant(int32_t{PasswordExpiredNow(r) ? 1 : 0}); },
   [](UR& r, const Variant& v) {
     if ((v.ToLong() != 0) == PasswordExpiredNow(r)) return;
     Shadow(r, u"PasswordExpired")[kSpLastChange] = v.ToLong() != 0 ? "0" : std::to_string(r.today);
   }},
  {u"PasswordMinimumLength", u"`PASS_MIN_LEN` of login.defs, 0 when unset; `SetPassword` enforces it", u"read-only",
   [](const UR& r) {
     return Variant(static_cast<int32_t>(r.login_defs ? r.login_defs->Number("PASS_MIN_LEN", 0) : 0));
   }, nullptr},
  {u"ObjectSID", u"`S-1-22-1-<uid>` in binary form (16 bytes)", u"read-only",
   [](const UR& r) { return Variant(UnixSid(1, IdField(r.pw[kPwUid]))); }, nullptr},
  {u"HomeDirDrive", u"not held: empty", u"", [](const UR&) { return Variant(u""); }, nullptr},
  {u"Profile", u"not held: empty", u"", [](const UR&) { return Variant(u""); }, nullptr},
  {u"LastLogin", u"not held (lastlog is not read): the empty date", u"", [](const UR&) { return Variant(Date{}); }, nullptr},
  {u"LastLogoff", u"not held (lastlog is not read): the empty date", u"", [](const UR&) { return Variant(Date{}); }, nullptr},
  {u"MaxStorage", u"not held: -1, no limit", u"", [](const UR&) { return Variant(int32_t{-1}); }, nullptr},
  {u"BadPasswordAttempts", u"not held: 0", u"", [](const UR&) { return Variant(int32_t{0}); }, nullptr},
};

constexpr PropertyRow<GroupRecord> kGroupRows[] = {
  {u"GroupType", u"always 4 (a local group)", u"only 4", [](const GR&) { return Variant(int32_t{4}); }, nullptr},
  {u"ObjectSID", u"`S-1-22-2-<gid>`", u"read-only",
   [](const GR& r) { return Variant(UnixSid(2, IdField(r.gr[kGrGid]))); }, nullptr},
  {u"Description", u"not held: empty", u"a non-empty description is refused, so `moxGroups.Add` with one fails", [](const GR&) { return Variant(u""); }, nullptr},
};

constexpr PropertyRow<ComputerRecord> kComputerRows[] = {
  {u"OperatingSystem", u"`NAME` of `<root>/etc/os-release`, else `<root>/usr/lib/os-release`; an error naming both when neither exists", u"",
   [](const CR& r) { return Variant(U(ReadOsRelease(r.root).name)); }, nullptr},
  {u"OperatingSystemVersion", u"`VERSION_ID` of the same file", u"",
   [](const CR& r) { return Variant(U(ReadOsRelease(r.root).version_id)); }, nullptr},
  {u"Processor", u"the machine `uname` reports (\"x86_64\"), not `/proc/cpuinfo`: it is the running kernel's, whatever the root", u"",
   [](const CR&) { return Variant(U(ProcessorName())); }, nullptr},
  {u"ProcessorCount", u"processors online (`sysconf(_SC_NPROCESSORS_ONLN)`), as text", u"",
   [](const CR&) { return Variant(U(ProcessorCountText())); }, nullptr},
  {u"Division", u"not held: empty", u"", [](const CR&) { return Variant(u""); }, nullptr},
  {u"Owner", u"not held: empty", u"", [](const CR&) { return Variant(u""); }, nullptr},
};
// clang-format on

// The user properties read from etc/shadow (or from the password field, which shadow holds
// whenever passwd's says "x").
bool HeldInShadow(std::u16string_view name) {
  static constexpr std::u16string_view kHeld[] = {
      u"UserFlags",        u"AccountDisabled",       u"IsAccountLocked",
      u"PasswordRequired", u"AccountExpirationDate", u"PasswordExpirationDate",
      u"PasswordAge",      u"PasswordExpired"};
  for (std::u16string_view p : kHeld) {
    if (p == name) return true;
  }
  return false;
}

void RequireShadow(const UserRecord& r, std::u16string_view property, std::u16string_view verb) {
  if (r.shadow_unreadable.empty() || !HeldInShadow(property)) return;
  throw AutomationError(errc::kAccessDenied, u"The property \"" + std::u16string(property) +
                                                 u"\" of " + r.where + u" cannot be " +
                                                 std::u16string(verb) + u": " +
                                                 FromUtf8(r.shadow_unreadable));
}

template <class Record>
const PropertyRow<Record>* FindRow(std::span<const PropertyRow<Record>> rows,
                                   std::u16string_view name) {
  // The name as the table spells it is the usual case, and the cheaper test.
  for (const auto& row : rows) {
    if (row.name == name) return &row;
  }
  for (const auto& row : rows) {
    if (EqualsNoCase(row.name, name)) return &row;
  }
  return nullptr;
}

template <class Record>
const PropertyRow<Record>& RowOf(std::span<const PropertyRow<Record>> rows,
                                 std::u16string_view name, const std::u16string& where) {
  if (const auto* row = FindRow(rows, name)) return *row;
  throw AutomationError(errc::kPropertyNotFound, u"The files backend holds no property \"" +
                                                     std::u16string(name) + u"\" for " + where);
}

template <class Record>
void Write(std::span<const PropertyRow<Record>> rows, ObjectKind kind, Record& r,
           std::u16string_view name, const Variant& value) {
  const auto& row = RowOf(rows, name, r.where);
  Variant v = value;
  if (const auto* def = directory::FindAttribute(kind, row.name)) {
    v = directory::ConformValue(*def, value, r.where);
  }
  if (row.put) {
    row.put(r, v);
    return;
  }
  if (v == row.get(r)) return;
  std::u16string source(row.source);
  std::erase(source, u'`');
  Refuse(r.where, row.name, u"the files backend cannot change it (" + source + u")",
         errc::kNotSupported);
}

}  // namespace

std::span<const PropertyRow<UserRecord>> UserProperties() noexcept {
  return kUserRows;
}
std::span<const PropertyRow<GroupRecord>> GroupProperties() noexcept {
  return kGroupRows;
}
std::span<const PropertyRow<ComputerRecord>> ComputerProperties() noexcept {
  return kComputerRows;
}

UserPropertyNeeds NeedsOfUserProperty(std::u16string_view name) {
  const auto* row = FindUserRow(name);
  return row ? NeedsOfUserProperty(*row) : UserPropertyNeeds{};
}

const PropertyRow<UserRecord>* FindUserRow(std::u16string_view name) {
  return FindRow(std::span<const PropertyRow<UserRecord>>(kUserRows), name);
}

UserPropertyNeeds NeedsOfUserProperty(const PropertyRow<UserRecord>& row) {
  return {HeldInShadow(row.name), row.name == u"PasswordMinimumLength"};
}

Variant ReadUserProperty(const UserRecord& r, std::u16string_view name) {
  return ReadUserProperty(r, RowOf(UserProperties(), name, r.where));
}

Variant ReadUserProperty(const UserRecord& r, const PropertyRow<UserRecord>& row) {
  RequireShadow(r, row.name, u"read");
  return row.get(r);
}
void WriteUserProperty(UserRecord& r, std::u16string_view name, const Variant& value) {
  RequireShadow(r, RowOf(UserProperties(), name, r.where).name, u"written");
  Write(UserProperties(), ObjectKind::kUser, r, name, value);
}
Variant ReadGroupProperty(const GroupRecord& r, std::u16string_view name) {
  return RowOf(GroupProperties(), name, r.where).get(r);
}
void WriteGroupProperty(GroupRecord& r, std::u16string_view name, const Variant& value) {
  Write(GroupProperties(), ObjectKind::kGroup, r, name, value);
}
Variant ReadComputerProperty(const ComputerRecord& r, std::u16string_view name) {
  return RowOf(ComputerProperties(), name, r.where).get(r);
}
void WriteComputerProperty(ComputerRecord& r, std::u16string_view name, const Variant& value) {
  Write(ComputerProperties(), ObjectKind::kComputer, r, name, value);
}

void CheckFieldText(std::u16string_view property, std::u16string_view where,
                    std::u16string_view text, bool comma_separates) {
  for (char16_t c : text) {
    if (c == u':' || c < 0x20 || c == 0x7F || (comma_separates && c == u',')) {
      std::u16string shown = c == u'\n'              ? u"a newline"
                             : c == 0                ? u"a NUL"
                             : c < 0x20 || c == 0x7F ? u"a control character"
                                                     : u"'" + std::u16string(1, c) + u"'";
      throw AutomationError(errc::kInvalidArg, u"The property \"" + std::u16string(property) +
                                                   u"\" of " + std::u16string(where) +
                                                   u" cannot hold " + shown +
                                                   u": it would break the account file's format");
    }
  }
}

ByteArray UnixSid(uint32_t kind, uint32_t id) {
  ByteArray sid = {0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 22};
  for (uint32_t v : {kind, id}) {
    for (int i = 0; i < 4; ++i) sid.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  return sid;
}

int64_t DaysSinceEpochToday() {
  return static_cast<int64_t>(std::time(nullptr) / 86400);
}

}  // namespace moxtrel::backends::files

namespace moxtrel::backends::files {

void StorePasswordHash(UserRecord& r, const std::string& hash) {
  if (!r.sp && r.pw[kPwPasswd] != "x") {
    r.pw[kPwPasswd] = hash;
    return;
  }
  Row& sp = Shadow(r, u"SetPassword");
  sp[kSpPasswd] = hash;
  sp[kSpLastChange] = std::to_string(r.today);
}

}  // namespace moxtrel::backends::files
