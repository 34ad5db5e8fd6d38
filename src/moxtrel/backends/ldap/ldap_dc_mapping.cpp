// The dc profile's property tables: the attributes a Samba or Windows domain controller serves.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <limits>

#include "moxtrel/backends/ldap/ldap_mapping.h"
#include "moxtrel/backends/ldap/ldap_values.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::ldap {
namespace {

using directory::ObjectKind;
using E = LdapEntry;

constexpr int64_t kNever = std::numeric_limits<int64_t>::max();
constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kSecondsPerDay = 86'400;
constexpr int64_t kDays1601To1899 = 109'205;  // 1 January 1601 to 30 December 1899 (Date 0.0)
constexpr int64_t kDays1601To1970 = 134'774;

// userAccountControl bits, the same as the WinNT provider's UserFlags.
constexpr int64_t kUacDisabled = 0x2, kUacPasswordNotRequired = 0x20, kUacNormal = 0x200;
// groupType bits: the scope (global, domain local, universal) and a security group.
constexpr int64_t kGroupGlobal = 0x2, kGroupLocal = 0x4, kGroupUniversal = 0x8, kGroupScopes = 0xE;

int64_t Uac(const E& e) {
  return Number(e, "userAccountControl").value_or(kUacNormal);
}
void SetUacBit(E& e, int64_t bit, bool on) {
  const int64_t uac = Uac(e);
  const int64_t next = on ? (uac | bit) : (uac & ~bit);
  if (next != uac || e.Values("userAccountControl").empty()) {
    Set(e, "userAccountControl", std::to_string(next));
  }
}

Variant FileTimeProperty(const E& e, std::string_view attr) {
  auto ticks = Number(e, attr);
  return Variant(ticks ? DateOfFileTime(*ticks) : Date{});
}

// Days since the password was last set; 0 when unknown or when it must change.
int64_t PasswordAgeDays(const E& e) {
  auto ticks = Number(e, "pwdLastSet");
  if (!ticks || *ticks <= 0 || *ticks == kNever) return 0;
  using namespace std::chrono;
  const int64_t now = duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
  const int64_t set = *ticks / kTicksPerSecond - kDays1601To1970 * kSecondsPerDay;
  return now > set ? (now - set) / kSecondsPerDay : 0;
}

// The model knows global (2) and local (4) groups; a universal group is domain-wide, as a
// global one.
int32_t GroupScope(const E& e) {
  const int64_t t = Number(e, "groupType").value_or(kGroupGlobal);
  if (t & kGroupLocal) return static_cast<int32_t>(kGroupLocal);
  if (t & (kGroupGlobal | kGroupUniversal)) return static_cast<int32_t>(kGroupGlobal);
  return 0;
}
void SetGroupScope(E& e, const Variant& v) {
  const int32_t wanted = v.ToLong();
  if (wanted == GroupScope(e)) return;
  if (wanted != kGroupGlobal && wanted != kGroupLocal) {
    Refuse(e, u"GroupType", u"a group is global (2) or local (4)", errc::kNotSupported);
  }
  // groupType is a signed 32-bit number; the other bits (security group) are kept.
  const int64_t t = Number(e, "groupType").value_or(0);
  const auto next = static_cast<int32_t>(static_cast<uint32_t>((t & ~kGroupScopes) | wanted));
  Set(e, "groupType", std::to_string(next));
}

Variant Sid(const E& e) {
  const std::string raw = One(e, "objectSid");
  return Variant(ByteArray(raw.begin(), raw.end()));
}

// A policy interval: negative 100 ns intervals on the domain object, seconds in the model; 0 and
// the most negative value ("never") read as 0.
Variant Interval(const E& e, std::string_view attr) {
  auto ticks = Number(e, attr);
  if (!ticks || *ticks >= 0 || *ticks == std::numeric_limits<int64_t>::min()) {
    return Variant(int32_t{0});
  }
  const int64_t seconds = -*ticks / kTicksPerSecond;
  return Variant(static_cast<int32_t>(std::min<int64_t>(seconds, INT32_MAX)));
}
Variant Count(const E& e, std::string_view attr) {
  const int64_t n = Number(e, attr).value_or(0);
  return Variant(static_cast<int32_t>(std::clamp<int64_t>(n, 0, INT32_MAX)));
}

Variant NotHeldText(const E&) {
  return Variant(u"");
}

// clang-format off
constexpr PropertyRow kDcUserRows[] = {
  {u"FullName", u"`displayName`",
   [](const E& e) { return Text(e, "displayName"); },
   [](E& e, const Variant& v) { PutText(e, "displayName", v); }},
  {u"Description", u"`description`",
   [](const E& e) { return Text(e, "description"); },
   [](E& e, const Variant& v) { PutText(e, "description", v); }},
  {u"HomeDirectory", u"`homeDirectory`",
   [](const E& e) { return Text(e, "homeDirectory"); },
   [](E& e, const Variant& v) { PutText(e, "homeDirectory", v); }},
  {u"HomeDirDrive", u"`homeDrive`",
   [](const E& e) { return Text(e, "homeDrive"); },
   [](E& e, const Variant& v) { PutText(e, "homeDrive", v); }},
  {u"LoginScript", u"`scriptPath`",
   [](const E& e) { return Text(e, "scriptPath"); },
   [](E& e, const Variant& v) { PutText(e, "scriptPath", v); }},
  {u"Profile", u"`profilePath`",
   [](const E& e) { return Text(e, "profilePath"); },
   [](E& e, const Variant& v) { PutText(e, "profilePath", v); }},
  {u"PrimaryGroupID", u"`primaryGroupID` (a RID, 513 for Domain Users)",
   [](const E& e) { return Variant(static_cast<int32_t>(Number(e, "primaryGroupID").value_or(0))); },
   [](E& e, const Variant& v) {
     if (v.ToLong() < 0) Refuse(e, u"PrimaryGroupID", u"a RID is not negative");
     Set(e, "primaryGroupID", std::to_string(v.ToLong()));
   }},
  {u"UserFlags", u"`userAccountControl`, the same bits (0x200, a normal account, when absent)",
   [](const E& e) { return Variant(static_cast<int32_t>(Uac(e))); },
   [](E& e, const Variant& v) {
     if (static_cast<int64_t>(v.ToLong()) == Uac(e) && !e.Values("userAccountControl").empty()) return;
     Set(e, "userAccountControl", std::to_string(v.ToLong()));
   }},
  {u"AccountDisabled", u"`userAccountControl` bit 0x2",
   [](const E& e) { return Variant::Boolean((Uac(e) & kUacDisabled) != 0); },
   [](E& e, const Variant& v) { SetUacBit(e, kUacDisabled, v.ToBool()); }},
  {u"PasswordRequired", u"`userAccountControl` bit 0x20 (PASSWD_NOTREQD) clear",
   [](const E& e) { return Variant::Boolean((Uac(e) & kUacPasswordNotRequired) == 0); },
   [](E& e, const Variant& v) { SetUacBit(e, kUacPasswordNotRequired, !v.ToBool()); }},
  {u"IsAccountLocked", u"`lockoutTime` not 0; writing False writes 0 (an unlock); True is refused: only the directory locks",
   [](const E& e) { auto t = Number(e, "lockoutTime"); return Variant::Boolean(t && *t != 0); },
   [](E& e, const Variant& v) {
     auto t = Number(e, "lockoutTime");
     const bool locked = t && *t != 0;
     if (v.ToBool() == locked) return;
     if (v.ToBool()) Refuse(e, u"IsAccountLocked", u"only the directory locks an account", errc::kNotSupported);
     Set(e, "lockoutTime", "0");
   }},
  {u"AccountExpirationDate", u"`accountExpires`",
   [](const E& e) { return FileTimeProperty(e, "accountExpires"); },
   [](E& e, const Variant& v) {
     auto ticks = FileTimeOf(v.ToDate());
     if (!ticks) Refuse(e, u"AccountExpirationDate", u"accountExpires holds no date before 1601");
     Set(e, "accountExpires", std::to_string(*ticks));
   }},
  {u"PasswordExpirationDate", u"not held (the domain's `maxPwdAge` decides): empty date",
   [](const E&) { return Variant(Date{}); }, nullptr},
  {u"PasswordAge", u"days since `pwdLastSet` (read only; 0 when unknown)",
   [](const E& e) { return Variant(static_cast<int32_t>(PasswordAgeDays(e))); }, nullptr},
  {u"PasswordExpired", u"1 when `pwdLastSet` is 0 (must change at next logon); writing 1 writes 0, writing 0 writes -1, which a domain controller turns into now",
   [](const E& e) { auto t = Number(e, "pwdLastSet"); return Variant(int32_t{t && *t == 0 ? 1 : 0}); },
   [](E& e, const Variant& v) {
     auto t = Number(e, "pwdLastSet");
     if ((v.ToLong() != 0) == (t && *t == 0)) return;
     Set(e, "pwdLastSet", v.ToLong() != 0 ? "0" : "-1");
   }},
  {u"ObjectSID", u"`objectSid`, its bytes (read only)", Sid, nullptr},
  {u"PasswordMinimumLength", u"not held (the domain's policy decides): 0",
   [](const E&) { return Variant(int32_t{0}); }, nullptr},
  {u"LastLogin", u"`lastLogon` (read only)", [](const E& e) { return FileTimeProperty(e, "lastLogon"); }, nullptr},
  {u"LastLogoff", u"`lastLogoff` (read only)", [](const E& e) { return FileTimeProperty(e, "lastLogoff"); }, nullptr},
  {u"MaxStorage", u"not held: -1", [](const E&) { return Variant(int32_t{-1}); }, nullptr},
  {u"BadPasswordAttempts", u"`badPwdCount` (read only)",
   [](const E& e) { return Variant(static_cast<int32_t>(Number(e, "badPwdCount").value_or(0))); }, nullptr},
};

constexpr PropertyRow kDcGroupRows[] = {
  {u"Description", u"`description`",
   [](const E& e) { return Text(e, "description"); },
   [](E& e, const Variant& v) { PutText(e, "description", v); }},
  {u"GroupType", u"`groupType`: 2 for a global (0x2) or universal (0x8) group, 4 for a domain local one (0x4); writing 2 or 4 changes the scope bits and keeps the rest",
   [](const E& e) { return Variant(GroupScope(e)); }, SetGroupScope},
  {u"ObjectSID", u"`objectSid` (read only)", Sid, nullptr},
};

constexpr PropertyRow kDcComputerRows[] = {
  {u"Division", u"not held: empty", NotHeldText, nullptr},
  {u"Owner", u"not held: empty", NotHeldText, nullptr},
  {u"OperatingSystem", u"`operatingSystem` (read only)",
   [](const E& e) { return Text(e, "operatingSystem"); }, nullptr},
  {u"OperatingSystemVersion", u"`operatingSystemVersion` (read only)",
   [](const E& e) { return Text(e, "operatingSystemVersion"); }, nullptr},
  {u"Processor", u"not held: empty", NotHeldText, nullptr},
  {u"ProcessorCount", u"not held: empty", NotHeldText, nullptr},
};
constexpr PropertyRow kDcDomainRows[] = {
  {u"MinPasswordLength", u"`minPwdLength`", [](const E& e) { return Count(e, "minPwdLength"); }, nullptr},
  {u"MinPasswordAge", u"`minPwdAge`", [](const E& e) { return Interval(e, "minPwdAge"); }, nullptr},
  {u"MaxPasswordAge", u"`maxPwdAge`", [](const E& e) { return Interval(e, "maxPwdAge"); }, nullptr},
  {u"MaxBadPasswordsAllowed", u"`lockoutThreshold`", [](const E& e) { return Count(e, "lockoutThreshold"); }, nullptr},
  {u"PasswordHistoryLength", u"`pwdHistoryLength`", [](const E& e) { return Count(e, "pwdHistoryLength"); }, nullptr},
  {u"AutoUnlockInterval", u"`lockoutDuration`", [](const E& e) { return Interval(e, "lockoutDuration"); }, nullptr},
  {u"LockoutObservationInterval", u"`lockOutObservationWindow`",
   [](const E& e) { return Interval(e, "lockOutObservationWindow"); }, nullptr},
};

const std::vector<std::string> kDomainAttributes = {
    "minPwdLength", "minPwdAge", "maxPwdAge", "lockoutThreshold", "pwdHistoryLength",
    "lockoutDuration", "lockOutObservationWindow"};
// clang-format on

}  // namespace

const std::vector<std::string>& DcDomainAttributes() noexcept {
  return kDomainAttributes;
}

Date DateOfFileTime(int64_t ticks) noexcept {
  if (ticks <= 0 || ticks == kNever) return Date{};
  const int64_t seconds = ticks / kTicksPerSecond;
  return Date{static_cast<double>(seconds) / kSecondsPerDay - static_cast<double>(kDays1601To1899)};
}

std::optional<int64_t> FileTimeOf(Date date) noexcept {
  if (date.value == 0.0) return kNever;
  const double seconds = std::round((date.value + kDays1601To1899) * kSecondsPerDay);
  if (!(seconds > 0) || seconds >= static_cast<double>(kNever / kTicksPerSecond)) {
    return std::nullopt;
  }
  return static_cast<int64_t>(seconds) * kTicksPerSecond;
}

std::span<const PropertyRow> DcPropertiesOf(ObjectKind kind) noexcept {
  switch (kind) {
    case ObjectKind::kUser:
      return kDcUserRows;
    case ObjectKind::kGroup:
      return kDcGroupRows;
    case ObjectKind::kComputer:
      return kDcComputerRows;
    default:
      return kDcDomainRows;
  }
}

const std::vector<std::string>& DcMappedAttributes(ObjectKind kind) noexcept {
  // Every attribute the rows above read, so an entry read with these serves every property.
  static const std::vector<std::string> user = {
      "displayName", "description",    "homeDirectory", "homeDrive",  "scriptPath",
      "profilePath", "primaryGroupID", "lockoutTime",   "pwdLastSet", "userAccountControl",
      "objectSid",   "accountExpires", "lastLogon",     "lastLogoff", "badPwdCount"};
  static const std::vector<std::string> group = {"description", "groupType", "objectSid"};
  static const std::vector<std::string> computer = {"operatingSystem", "operatingSystemVersion"};
  switch (kind) {
    case ObjectKind::kUser:
      return user;
    case ObjectKind::kGroup:
      return group;
    case ObjectKind::kComputer:
      return computer;
    default:
      return DcDomainAttributes();
  }
}

}  // namespace moxtrel::backends::ldap
