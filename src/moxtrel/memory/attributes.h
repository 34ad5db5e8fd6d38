// The attributes each class of object holds: their names, value types, whether a client may
// write them, and the defaults a new object starts with. Typed properties and IADs.Get/Put
// share these names.
//
//   const AttributeDef* s = FindAttribute(ObjectKind::kUser, u"userflags");  // "UserFlags"
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "moxtrel/frame/variant.h"
#include "moxtrel/memory/node.h"

namespace moxtrel::directory {

enum class AttributeType : uint8_t {
  kString,
  kLong,
  kBoolean,
  kDate,
  kBytes,
  kList,      // a string or an array (Dependencies, PrintDevices)
  kUserFlag,  // a Boolean view of one bit of "UserFlags"
  kHostPath,  // the ADsPath of the host computer or queue, computed
};

struct AttributeDef {
  std::u16string_view name;
  AttributeType type;
  bool writable;
  int32_t flag = 0;       // kUserFlag: the bit
  bool inverted = false;  // kUserFlag: True when the bit is clear
};

std::span<const AttributeDef> AttributesOf(ObjectKind kind) noexcept;
const AttributeDef* FindAttribute(ObjectKind kind, std::u16string_view name) noexcept;
// The interned name the attribute is held under in an AttributeMap: a map finds it by address.
std::u16string_view AttributeKey(ObjectKind kind, const AttributeDef& def) noexcept;

// The value in the attribute's own type: Integer and Double become Long, numbers become
// Booleans, Doubles become Dates. Throws errc::kTypeMismatch naming the attribute and `where`.
Variant ConformValue(const AttributeDef& def, const Variant& value, std::u16string_view where);

// Fills a new object's attributes with their defaults; `serial` makes its GUID and SID unique.
void ApplyDefaults(Node& node, uint32_t serial);

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", made from the object's kind and serial.
std::u16string GuidOf(const Node& node);

// The current time as a Date.
Date Now();

inline constexpr int32_t kUserFlagsDefault = 0x201;
inline constexpr int32_t kGroupTypeGlobal = 2;
inline constexpr int32_t kGroupTypeLocal = 4;
// Real directories set the high bit for security groups (0x80000002, 0x80000004); the kind of
// group is read from the other bits.
inline constexpr int32_t kGroupTypeSecurity = static_cast<int32_t>(0x80000000u);
constexpr int32_t GroupScope(int32_t group_type) noexcept {
  return group_type & ~kGroupTypeSecurity;
}

}  // namespace moxtrel::directory
