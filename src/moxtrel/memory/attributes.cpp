#include "moxtrel/memory/attributes.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <absl/container/flat_hash_map.h>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::directory {
namespace {

using T = AttributeType;

constexpr AttributeDef kDomain[] = {
    {u"MinPasswordLength", T::kLong, true},
    {u"MinPasswordAge", T::kLong, true},
    {u"MaxPasswordAge", T::kLong, true},
    {u"MaxBadPasswordsAllowed", T::kLong, true},
    {u"PasswordHistoryLength", T::kLong, true},
    {u"AutoUnlockInterval", T::kLong, true},
    {u"LockoutObservationInterval", T::kLong, true},
};

constexpr AttributeDef kComputer[] = {
    {u"Division", T::kString, true},         {u"Owner", T::kString, true},
    {u"OperatingSystem", T::kString, false}, {u"OperatingSystemVersion", T::kString, false},
    {u"Processor", T::kString, false},       {u"ProcessorCount", T::kString, false},
};

// Bits of "UserFlags": 0x2 disabled, 0x10 locked out, 0x20 no password required.
constexpr AttributeDef kUser[] = {
    {u"UserFlags", T::kLong, true},
    {u"AccountDisabled", T::kUserFlag, true, 0x2},
    {u"IsAccountLocked", T::kUserFlag, true, 0x10},
    {u"PasswordRequired", T::kUserFlag, true, 0x20, true},
    {u"AccountExpirationDate", T::kDate, true},
    {u"Description", T::kString, true},
    {u"FullName", T::kString, true},
    {u"HomeDirectory", T::kString, true},
    {u"HomeDirDrive", T::kString, true},
    {u"LoginScript", T::kString, true},
    {u"Profile", T::kString, true},
    {u"LastLogin", T::kDate, false},
    {u"LastLogoff", T::kDate, false},
    {u"MaxStorage", T::kLong, true},
    {u"PasswordExpirationDate", T::kDate, true},
    {u"PasswordMinimumLength", T::kLong, false},
    {u"PasswordAge", T::kLong, false},
    {u"PasswordExpired", T::kLong, true},
    {u"BadPasswordAttempts", T::kLong, false},
    {u"PrimaryGroupID", T::kLong, true},
    {u"ObjectSID", T::kBytes, false},
};

constexpr AttributeDef kGroup[] = {
    {u"Description", T::kString, true},
    {u"GroupType", T::kLong, true},
    {u"ObjectSID", T::kBytes, false},
};

constexpr AttributeDef kFileService[] = {
    {u"Description", T::kString, true},
    {u"HostComputer", T::kHostPath, false},
};

constexpr AttributeDef kFileShare[] = {
    {u"CurrentUserCount", T::kLong, false}, {u"Description", T::kString, true},
    {u"HostComputer", T::kHostPath, false}, {u"Path", T::kString, true},
    {u"MaxUserCount", T::kLong, true},
};

constexpr AttributeDef kPrintQueue[] = {
    {u"PrinterPath", T::kString, false},
    {u"Model", T::kString, true},
    {u"Datatype", T::kString, true},
    {u"PrintProcessor", T::kString, true},
    {u"Description", T::kString, true},
    {u"Location", T::kString, true},
    {u"StartTime", T::kDate, true},
    {u"UntilTime", T::kDate, true},
    {u"DefaultJobPriority", T::kLong, true},
    {u"Priority", T::kLong, true},
    {u"PrintDevices", T::kList, true},
    {u"HostComputer", T::kHostPath, false},
    {u"Status", T::kLong, false},
};

constexpr AttributeDef kPrintJob[] = {
    {u"HostPrintQueue", T::kHostPath, false},
    {u"User", T::kString, false},
    {u"TimeSubmitted", T::kDate, false},
    {u"TotalPages", T::kLong, false},
    {u"Size", T::kLong, false},
    {u"Description", T::kString, true},
    {u"Priority", T::kLong, true},
    {u"StartTime", T::kDate, true},
    {u"UntilTime", T::kDate, true},
    {u"Notify", T::kString, true},
    {u"Status", T::kLong, false},
    {u"Position", T::kLong, true},
    {u"PagesPrinted", T::kLong, false},
};

constexpr AttributeDef kService[] = {
    {u"HostComputer", T::kHostPath, false},
    {u"DisplayName", T::kString, true},
    {u"ServiceType", T::kLong, true},
    {u"StartType", T::kLong, true},
    {u"Path", T::kString, true},
    {u"ErrorControl", T::kLong, true},
    {u"LoadOrderGroup", T::kString, true},
    {u"ServiceAccountName", T::kString, true},
    {u"Dependencies", T::kList, true},
    {u"Status", T::kLong, false},
};

[[noreturn]] void Mismatch(const AttributeDef& def, const Variant& value, std::u16string_view where,
                           std::u16string_view wanted) {
  throw AutomationError(errc::kTypeMismatch, u"The attribute \"" + std::u16string(def.name) +
                                                 u"\" of " + std::u16string(where) + u" takes " +
                                                 std::u16string(wanted) + u", not " +
                                                 value.TypeName());
}

std::u16string Hex(uint64_t v, int digits) {
  std::u16string out(static_cast<std::size_t>(digits), u'0');
  for (int i = digits - 1; i >= 0; --i, v >>= 4)
    out[static_cast<std::size_t>(i)] = u"0123456789abcdef"[v & 15];
  return out;
}

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

void PutLE32(ByteArray& bytes, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// S-1-5-21-a-b-c-RID: 28 bytes, the domain part derived from the container's name.
ByteArray MakeSid(const Node& node, uint32_t serial) {
  NodePtr owner = node.Parent();
  uint64_t h = Mix(NoCaseHash{}(owner ? std::u16string_view(owner->name) : u""));
  ByteArray sid = {0x01, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05};
  PutLE32(sid, 21);
  PutLE32(sid, static_cast<uint32_t>(h));
  PutLE32(sid, static_cast<uint32_t>(h >> 32));
  PutLE32(sid, static_cast<uint32_t>(Mix(h)));
  PutLE32(sid, 1000 + serial);
  return sid;
}

}  // namespace

std::span<const AttributeDef> AttributesOf(ObjectKind kind) noexcept {
  switch (kind) {
    case ObjectKind::kDomain:
      return kDomain;
    case ObjectKind::kComputer:
      return kComputer;
    case ObjectKind::kUser:
      return kUser;
    case ObjectKind::kGroup:
      return kGroup;
    case ObjectKind::kFileService:
      return kFileService;
    case ObjectKind::kFileShare:
      return kFileShare;
    case ObjectKind::kPrintQueue:
      return kPrintQueue;
    case ObjectKind::kPrintJob:
      return kPrintJob;
    case ObjectKind::kService:
      return kService;
  }
  return {};
}

namespace {

constexpr std::size_t kKindCount = static_cast<std::size_t>(ObjectKind::kService) + 1;

// Each class's attributes by name, and the interned key each one is held under, so that a
// property read finds its definition with one probe and its value by the key's address.
struct KindIndex {
  absl::flat_hash_map<std::u16string_view, const AttributeDef*, NoCaseHash, NoCaseEqual> defs;
  const AttributeDef* first = nullptr;
  std::vector<std::u16string_view> keys;  // by position in the class's table
};

const std::array<KindIndex, kKindCount>& Indexes() {
  static const auto* indexes = [] {
    auto* all = new std::array<KindIndex, kKindCount>();
    for (std::size_t k = 0; k < kKindCount; ++k) {
      const auto defs = AttributesOf(static_cast<ObjectKind>(k));
      KindIndex& index = (*all)[k];
      index.defs.reserve(defs.size());
      index.first = defs.data();
      for (const auto& def : defs) {
        index.defs.emplace(def.name, &def);
        index.keys.push_back(InternAttributeName(def.name));
      }
    }
    return all;
  }();
  return *indexes;
}

// The last definitions found, by the address of the name asked for: typed properties ask with
// the same literal every time. A hit is confirmed against the definition's own spelling, so an
// address that now holds other text is only a miss.
struct RecentFind {
  const char16_t* data = nullptr;
  std::size_t size = 0;
  ObjectKind kind{};
  const AttributeDef* def = nullptr;
};
constexpr std::size_t kRecentFinds = 64;
thread_local std::array<RecentFind, kRecentFinds> recent_finds;

}  // namespace

const AttributeDef* FindAttribute(ObjectKind kind, std::u16string_view name) noexcept {
  RecentFind& recent = recent_finds[((reinterpret_cast<std::uintptr_t>(name.data()) >> 1) ^
                                     static_cast<std::size_t>(kind) * 7) %
                                    kRecentFinds];
  if (recent.data == name.data() && recent.size == name.size() && recent.kind == kind &&
      (name.empty() ||
       std::memcmp(recent.def->name.data(), name.data(), name.size() * sizeof(char16_t)) == 0)) {
    return recent.def;
  }
  const auto& defs = Indexes()[static_cast<std::size_t>(kind)].defs;
  auto it = defs.find(name);
  if (it == defs.end()) return nullptr;
  // Only an exact spelling is kept: that is what the confirmation above compares.
  if (it->second->name == name) recent = {name.data(), name.size(), kind, it->second};
  return it->second;
}

std::u16string_view AttributeKey(ObjectKind kind, const AttributeDef& def) noexcept {
  const KindIndex& index = Indexes()[static_cast<std::size_t>(kind)];
  // Compared as addresses: a definition of another class lies in another table.
  const auto offset =
      reinterpret_cast<std::uintptr_t>(&def) - reinterpret_cast<std::uintptr_t>(index.first);
  const std::size_t at = offset / sizeof(AttributeDef);
  if (offset % sizeof(AttributeDef) != 0 || at >= index.keys.size()) return def.name;
  return index.keys[at];
}

Variant ConformValue(const AttributeDef& def, const Variant& value, std::u16string_view where) {
  const VarType t = value.type();
  switch (def.type) {
    case T::kString:
      if (t != VarType::kString) Mismatch(def, value, where, u"a String");
      return value;
    case T::kLong:
      if (t == VarType::kInteger || t == VarType::kLong) return Variant(value.ToLong());
      if (t == VarType::kDouble) {
        double d = value.ToDouble();
        if (d == std::floor(d)) return Variant(value.ToLong());
      }
      Mismatch(def, value, where, u"a whole number");
    case T::kBoolean:
    case T::kUserFlag:
      if (t == VarType::kBoolean || t == VarType::kInteger || t == VarType::kLong) {
        return Variant::Boolean(value.ToBool());
      }
      Mismatch(def, value, where, u"a Boolean");
    case T::kDate:
      if (t == VarType::kDate || t == VarType::kDouble) return Variant(value.ToDate());
      Mismatch(def, value, where, u"a Date");
    case T::kBytes:
      if (t != VarType::kByteArray) Mismatch(def, value, where, u"a byte array");
      return value;
    case T::kList:
      if (t == VarType::kString) return value;
      if (t == VarType::kArray) {
        for (const auto& item : value.AsArray().items) {
          if (!item.IsString()) Mismatch(def, item, where, u"an array of Strings");
        }
        return value;
      }
      Mismatch(def, value, where, u"a String or an array of Strings");
    case T::kHostPath:
      Mismatch(def, value, where, u"no value (it is computed)");
  }
  return value;
}

namespace {

using Defaults = AttributeMap::Defaults;

// What every object of a class starts with; values made from the object itself (its name, its
// SID, its time of creation) are set on the object instead.
// The defaults' names, interned, so that a read finds them by the key's address.
Defaults Interned(Defaults defaults) {
  for (auto& e : defaults) e.name = InternAttributeName(e.name);
  return defaults;
}

const Defaults* SharedDefaults(ObjectKind kind, bool local_group) {
  static const Defaults kDomainDefaults = Interned({
      {u"MinPasswordLength", int32_t{0}},
      {u"MinPasswordAge", int32_t{0}},
      {u"MaxPasswordAge", int32_t{42 * 86400}},
      {u"MaxBadPasswordsAllowed", int32_t{0}},
      {u"PasswordHistoryLength", int32_t{0}},
      {u"AutoUnlockInterval", int32_t{1800}},
      {u"LockoutObservationInterval", int32_t{1800}},
  });
  static const Defaults kComputerDefaults = Interned({
      {u"Division", u""},
      {u"Owner", u""},
      {u"OperatingSystem", u"Windows NT"},
      {u"OperatingSystemVersion", u"4.0"},
      {u"Processor", u"x86 Family 6 Model 5 Stepping 2"},
      {u"ProcessorCount", u"Uniprocessor Free"},
  });
  static const Defaults kUserDefaults = Interned({
      {u"UserFlags", kUserFlagsDefault},
      {u"Description", u""},
      {u"FullName", u""},
      {u"HomeDirectory", u""},
      {u"HomeDirDrive", u""},
      {u"LoginScript", u""},
      {u"Profile", u""},
      {u"LastLogin", Date{}},
      {u"LastLogoff", Date{}},
      {u"MaxStorage", int32_t{-1}},
      {u"PasswordExpirationDate", Date{}},
      {u"PasswordMinimumLength", int32_t{0}},
      {u"PasswordAge", int32_t{0}},
      {u"PasswordExpired", int32_t{0}},
      {u"BadPasswordAttempts", int32_t{0}},
      {u"PrimaryGroupID", int32_t{513}},
  });
  static const Defaults kGlobalGroupDefaults = Interned({
      {u"Description", u""},
      {u"GroupType", kGroupTypeGlobal},
  });
  static const Defaults kLocalGroupDefaults = Interned({
      {u"Description", u""},
      {u"GroupType", kGroupTypeLocal},
  });
  static const Defaults kFileServiceDefaults = Interned({
      {u"Description", u""},
  });
  static const Defaults kFileShareDefaults = Interned({
      {u"CurrentUserCount", int32_t{0}},
      {u"Description", u""},
      {u"Path", u""},
      {u"MaxUserCount", int32_t{-1}},
  });
  static const Defaults kPrintQueueDefaults = Interned({
      {u"Model", u""},
      {u"Datatype", u"RAW"},
      {u"PrintProcessor", u"WinPrint"},
      {u"Description", u""},
      {u"Location", u""},
      {u"StartTime", Date{}},
      {u"UntilTime", Date{}},
      {u"DefaultJobPriority", int32_t{1}},
      {u"Priority", int32_t{1}},
      {u"PrintDevices", u"LPT1:"},
      {u"Status", int32_t{0}},
  });
  static const Defaults kPrintJobDefaults = Interned({
      {u"User", u""},
      {u"TotalPages", int32_t{1}},
      {u"Size", int32_t{0}},
      {u"Description", u""},
      {u"Priority", int32_t{1}},
      {u"StartTime", Date{}},
      {u"UntilTime", Date{}},
      {u"Notify", u""},
      {u"Status", kJobStatusSpooling},
      {u"Position", int32_t{1}},
      {u"PagesPrinted", int32_t{0}},
  });
  static const Defaults kServiceDefaults = Interned({
      {u"ServiceType", int32_t{0x10}},
      {u"StartType", int32_t{3}},
      {u"Path", u""},
      {u"ErrorControl", int32_t{1}},
      {u"LoadOrderGroup", u""},
      {u"ServiceAccountName", u"LocalSystem"},
      {u"Dependencies", VariantArray{}},
      {u"Status", int32_t{1}},
  });
  switch (kind) {
    case ObjectKind::kDomain:
      return &kDomainDefaults;
    case ObjectKind::kComputer:
      return &kComputerDefaults;
    case ObjectKind::kUser:
      return &kUserDefaults;
    case ObjectKind::kGroup:
      return local_group ? &kLocalGroupDefaults : &kGlobalGroupDefaults;
    case ObjectKind::kFileService:
      return &kFileServiceDefaults;
    case ObjectKind::kFileShare:
      return &kFileShareDefaults;
    case ObjectKind::kPrintQueue:
      return &kPrintQueueDefaults;
    case ObjectKind::kPrintJob:
      return &kPrintJobDefaults;
    case ObjectKind::kService:
      return &kServiceDefaults;
  }
  return nullptr;
}

}  // namespace

void ApplyDefaults(Node& node, uint32_t serial) {
  node.serial = serial;
  NodePtr parent = node.Parent();
  const bool local_group = parent && parent->kind == ObjectKind::kComputer;
  node.attributes = AttributeMap(SharedDefaults(node.kind, local_group));
  switch (node.kind) {
    case ObjectKind::kUser:
    case ObjectKind::kGroup:
      node.attributes.Set(u"ObjectSID", MakeSid(node, serial));
      break;
    case ObjectKind::kPrintQueue:
      node.attributes.Set(u"PrinterPath", node.name);
      break;
    case ObjectKind::kPrintJob:
      node.attributes.Set(u"TimeSubmitted", Now());
      break;
    case ObjectKind::kService:
      node.attributes.Set(u"DisplayName", node.name);
      break;
    default:
      break;
  }
}

std::u16string GuidOf(const Node& node) {
  uint64_t a = Mix(node.serial * 0x100000001B3ull + static_cast<uint64_t>(node.kind));
  uint64_t b = Mix(a);
  return u"{" + Hex(a >> 32, 8) + u"-" + Hex(a >> 16, 4) + u"-" + Hex(a, 4) + u"-" +
         Hex(b >> 48, 4) + u"-" + Hex(b, 12) + u"}";
}

Date Now() {
  using namespace std::chrono;
  double secs = duration<double>(system_clock::now().time_since_epoch()).count();
  return Date{25569.0 + secs / 86400.0};
}

}  // namespace moxtrel::directory
