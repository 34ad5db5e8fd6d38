#include "moxtrel/backends/ldap/ldap_mapping.h"

#include <ldap.h>

#include <chrono>
#include <cmath>

#include "moxtrel/backends/ldap/ldap_values.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/memory/attributes.h"

namespace moxtrel::backends::ldap {
namespace {

using directory::ObjectKind;
using E = LdapEntry;

constexpr double kEpochDays = 25569.0;  // 1 January 1970 as a Date
constexpr int64_t kNeverDays = 99999;   // shadowMax's "no maximum"
constexpr int32_t kFlagScript = 0x1, kFlagDisabled = 0x2, kFlagNormal = 0x200,
                  kFlagNoExpiry = 0x10000;

int64_t Today() {
  using namespace std::chrono;
  return duration_cast<days>(system_clock::now().time_since_epoch()).count();
}
Date DayDate(int64_t days) {
  return Date{kEpochDays + static_cast<double>(days)};
}
int64_t DaysOf(const E& e, std::u16string_view property, const Variant& v) {
  double days = std::floor(v.ToDate().value - kEpochDays);
  if (days < 0) Refuse(e, property, u"shadowAccount holds no date before 1 January 1970");
  return static_cast<int64_t>(days);
}

bool Disabled(const E& e) {
  auto expire = Number(e, "shadowExpire");
  return expire && *expire >= 0 && Today() >= *expire;
}
bool NoExpiry(const E& e) {
  auto max = Number(e, "shadowMax");
  return !max || *max < 0 || *max >= kNeverDays;
}
void SetDisabled(E& e, bool on) {
  if (on == Disabled(e)) return;
  // Expiring the account on day 1 disables it, as the shadow tools do.
  Set(e, "shadowExpire", on ? "1" : "");
}
void SetNoExpiry(E& e, bool on) {
  if (on == NoExpiry(e)) return;
  if (!on) {
    Refuse(e, u"UserFlags",
           u"the directory holds a password's expiry only as a date; set PasswordExpirationDate",
           errc::kNotSupported);
  }
  Set(e, "shadowMax", "");
}
int32_t UserFlags(const E& e) {
  int32_t f = kFlagScript | kFlagNormal;
  if (Disabled(e)) f |= kFlagDisabled;
  if (NoExpiry(e)) f |= kFlagNoExpiry;
  return f;
}
void SetUserFlags(E& e, const Variant& v) {
  const int32_t wanted = v.ToLong();
  const int32_t changed = UserFlags(e) ^ wanted;
  if (changed & ~(kFlagDisabled | kFlagNoExpiry)) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X",
                  static_cast<unsigned>(changed & ~(kFlagDisabled | kFlagNoExpiry)));
    Refuse(e, u"UserFlags",
           u"the rfc2307 profile cannot hold the flag bits " + FromUtf8(hex) +
               u" (it holds only 0x2 disabled and 0x10000 password never expires)",
           errc::kNotSupported);
  }
  if (changed & kFlagDisabled) SetDisabled(e, wanted & kFlagDisabled);
  if (changed & kFlagNoExpiry) SetNoExpiry(e, wanted & kFlagNoExpiry);
}

ByteArray UnixSid(uint32_t kind, const std::optional<int64_t>& id) {
  ByteArray sid = {0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 22};
  for (uint32_t v : {kind, static_cast<uint32_t>(id.value_or(0))}) {
    for (int i = 0; i < 4; ++i) sid.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  return sid;
}

// clang-format off
constexpr PropertyRow kUserRows[] = {
  {u"FullName", u"displayName",
   [](const E& e) { return Text(e, "displayName"); },
   [](E& e, const Variant& v) { PutText(e, "displayName", v); }},
  {u"Description", u"description",
   [](const E& e) { return Text(e, "description"); },
   [](E& e, const Variant& v) { PutText(e, "description", v); }},
  {u"HomeDirectory", u"homeDirectory (required: a write of an empty value is refused)",
   [](const E& e) { return Text(e, "homeDirectory"); },
   [](E& e, const Variant& v) {
     if (v.AsString().empty()) Refuse(e, u"HomeDirectory", u"posixAccount requires a home directory");
     PutText(e, "homeDirectory", v);
   }},
  {u"LoginScript", u"loginShell",
   [](const E& e) { return Text(e, "loginShell"); },
   [](E& e, const Variant& v) { PutText(e, "loginShell", v); }},
  {u"PrimaryGroupID", u"gidNumber",
   [](const E& e) { return Variant(static_cast<int32_t>(Number(e, "gidNumber").value_or(0))); },
   [](E& e, const Variant& v) {
     if (v.ToLong() < 0) Refuse(e, u"PrimaryGroupID", u"a gid is not negative");
     Set(e, "gidNumber", std::to_string(v.ToLong()));
   }},
  {u"UserFlags", u"computed: 0x201, plus 0x2 AccountDisabled, 0x10000 no shadowMax",
   [](const E& e) { return Variant(UserFlags(e)); }, SetUserFlags},
  {u"AccountDisabled", u"shadowExpire set and not after today (written as day 1, removed when enabled)",
   [](const E& e) { return Variant::Boolean(Disabled(e)); },
   [](E& e, const Variant& v) { SetDisabled(e, v.ToBool()); }},
  {u"AccountExpirationDate", u"shadowExpire (days since 1970); empty date when absent",
   [](const E& e) { auto d = Number(e, "shadowExpire"); return Variant(d && *d >= 0 ? DayDate(*d) : Date{}); },
   [](E& e, const Variant& v) {
     Set(e, "shadowExpire", v.ToDate().value == 0.0 ? "" : std::to_string(DaysOf(e, u"AccountExpirationDate", v)));
   }},
  {u"PasswordExpirationDate", u"shadowLastChange + shadowMax; empty date when it never expires",
   [](const E& e) {
     auto last = Number(e, "shadowLastChange");
     auto max = Number(e, "shadowMax");
     bool expires = last && *last > 0 && max && *max >= 0 && *max < kNeverDays;
     return Variant(expires ? DayDate(*last + *max) : Date{});
   },
   [](E& e, const Variant& v) {
     if (v.ToDate().value == 0.0) { Set(e, "shadowMax", ""); return; }
     auto last = Number(e, "shadowLastChange");
     int64_t day = DaysOf(e, u"PasswordExpirationDate", v);
     if (!last || *last <= 0 || day < *last) {
       Refuse(e, u"PasswordExpirationDate",
              u"shadowMax holds it as days after shadowLastChange, which must be known and earlier");
     }
     Set(e, "shadowMax", std::to_string(day - *last));
   }},
  {u"PasswordAge", u"days since shadowLastChange (0 when unknown)",
   [](const E& e) {
     auto last = Number(e, "shadowLastChange");
     int64_t today = Today();
     return Variant(static_cast<int32_t>(last && *last > 0 && *last <= today ? today - *last : 0));
   }, nullptr},
  {u"PasswordExpired", u"1 when shadowLastChange is 0 (must change at next login)",
   [](const E& e) { auto last = Number(e, "shadowLastChange"); return Variant(int32_t{last && *last == 0 ? 1 : 0}); },
   [](E& e, const Variant& v) {
     auto last = Number(e, "shadowLastChange");
     if ((v.ToLong() != 0) == (last && *last == 0)) return;
     Set(e, "shadowLastChange", v.ToLong() != 0 ? "0" : std::to_string(Today()));
   }},
  {u"ObjectSID", u"S-1-22-1-<uidNumber>",
   [](const E& e) { return Variant(UnixSid(1, Number(e, "uidNumber"))); }, nullptr},
  {u"IsAccountLocked", u"not held (the password hash is not read): False",
   [](const E&) { return Variant::Boolean(false); }, nullptr},
  {u"PasswordRequired", u"not held: True", [](const E&) { return Variant::Boolean(true); }, nullptr},
  {u"PasswordMinimumLength", u"not held (the server's password policy decides): 0",
   [](const E&) { return Variant(int32_t{0}); }, nullptr},
  {u"HomeDirDrive", u"not held: empty", [](const E&) { return Variant(u""); }, nullptr},
  {u"Profile", u"not held: empty", [](const E&) { return Variant(u""); }, nullptr},
  {u"LastLogin", u"not held: empty date", [](const E&) { return Variant(Date{}); }, nullptr},
  {u"LastLogoff", u"not held: empty date", [](const E&) { return Variant(Date{}); }, nullptr},
  {u"MaxStorage", u"not held: -1, no limit", [](const E&) { return Variant(int32_t{-1}); }, nullptr},
  {u"BadPasswordAttempts", u"not held: 0", [](const E&) { return Variant(int32_t{0}); }, nullptr},
};

constexpr PropertyRow kGroupRows[] = {
  {u"Description", u"description",
   [](const E& e) { return Text(e, "description"); },
   [](E& e, const Variant& v) { PutText(e, "description", v); }},
  {u"GroupType", u"always 2, a global group", [](const E&) { return Variant(int32_t{2}); }, nullptr},
  {u"ObjectSID", u"S-1-22-2-<gidNumber>",
   [](const E& e) { return Variant(UnixSid(2, Number(e, "gidNumber"))); }, nullptr},
};

constexpr PropertyRow kComputerRows[] = {
  {u"Division", u"ou", [](const E& e) { return Text(e, "ou"); }, nullptr},
  {u"Owner", u"owner (a DN)", [](const E& e) { return Text(e, "owner"); }, nullptr},
  {u"OperatingSystem", u"not held: empty", [](const E&) { return Variant(u""); }, nullptr},
  {u"OperatingSystemVersion", u"not held: empty", [](const E&) { return Variant(u""); }, nullptr},
  {u"Processor", u"not held: empty", [](const E&) { return Variant(u""); }, nullptr},
  {u"ProcessorCount", u"not held: empty", [](const E&) { return Variant(u""); }, nullptr},
};

constexpr PropertyRow kDomainRows[] = {
  {u"MinPasswordLength", u"not held: 0", [](const E&) { return Variant(int32_t{0}); }, nullptr},
  {u"MinPasswordAge", u"not held: 0", [](const E&) { return Variant(int32_t{0}); }, nullptr},
  {u"MaxPasswordAge", u"not held: 0", [](const E&) { return Variant(int32_t{0}); }, nullptr},
  {u"MaxBadPasswordsAllowed", u"not held: 0", [](const E&) { return Variant(int32_t{0}); }, nullptr},
  {u"PasswordHistoryLength", u"not held: 0", [](const E&) { return Variant(int32_t{0}); }, nullptr},
  {u"AutoUnlockInterval", u"not held: 0", [](const E&) { return Variant(int32_t{0}); }, nullptr},
  {u"LockoutObservationInterval", u"not held: 0", [](const E&) { return Variant(int32_t{0}); }, nullptr},
};
// clang-format on

const PropertyRow& RowOf(LdapSchema schema, ObjectKind kind, const E& e, std::u16string_view name) {
  for (const auto& row : PropertiesOf(schema, kind)) {
    if (EqualsNoCase(row.name, name)) return row;
  }
  throw AutomationError(errc::kPropertyNotFound, u"The LDAP backend holds no property \"" +
                                                     std::u16string(name) + u"\" for " + Where(e));
}

}  // namespace

std::span<const PropertyRow> PropertiesOf(LdapSchema schema, ObjectKind kind) noexcept {
  if (schema == LdapSchema::kDc) return DcPropertiesOf(kind);
  switch (kind) {
    case ObjectKind::kUser:
      return kUserRows;
    case ObjectKind::kGroup:
      return kGroupRows;
    case ObjectKind::kComputer:
      return kComputerRows;
    default:
      return kDomainRows;
  }
}

std::span<const PropertyRow> DomainPolicyNotHeld() noexcept {
  return kDomainRows;
}

Variant ReadProperty(LdapSchema schema, ObjectKind kind, const E& e, std::u16string_view name) {
  return RowOf(schema, kind, e, name).get(e);
}

void WriteProperty(LdapSchema schema, ObjectKind kind, E& e, std::u16string_view name,
                   const Variant& value) {
  const auto& row = RowOf(schema, kind, e, name);
  Variant v = value;
  if (const auto* def = directory::FindAttribute(kind, row.name)) {
    v = directory::ConformValue(*def, value, Where(e));
  }
  if (row.put) {
    if (v.IsString()) {
      for (char16_t c : v.AsString()) {
        if (c == 0) Refuse(e, row.name, u"the text holds a NUL character");
      }
    }
    row.put(e, v);
    return;
  }
  if (v == row.get(e)) return;
  Refuse(e, row.name, u"the LDAP backend cannot change it (" + std::u16string(row.source) + u")",
         errc::kNotSupported);
}

std::vector<LdapChange> Diff(const E& before, const E& after) {
  std::vector<LdapChange> out;
  for (const auto& [attr, values] : after.attrs) {
    auto it = before.attrs.find(attr);
    if (it == before.attrs.end() || it->second != values) {
      out.push_back({LDAP_MOD_REPLACE, attr, values});
    }
  }
  for (const auto& [attr, values] : before.attrs) {
    if (!after.attrs.count(attr)) out.push_back({LDAP_MOD_DELETE, attr, {}});
  }
  return out;
}

}  // namespace moxtrel::backends::ldap
