// Variant: the value type of the automation boundary and of directory attributes.
//
//   Variant v = int32_t{42};                 // Long
//   Variant s = std::u16string(u"x");        // String
//   Variant b = Variant::Boolean(true);      // 16-bit Boolean, True = -1
//   Variant m = Variant::Missing();          // an omitted optional argument
//   int32_t n = v.ToLong();                  // conversions throw AutomationError
//
// Arrays of variants carry their lower bound, so a directory can hand out 1-based arrays.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "moxtrel/frame/date.h"
#include "moxtrel/frame/object.h"

namespace moxtrel {

// The 16-bit Boolean of the automation boundary.
using VariantBool = int16_t;
inline constexpr VariantBool kVariantTrue = -1;
inline constexpr VariantBool kVariantFalse = 0;

class Variant;

struct VariantArray {
  int32_t lower_bound = 0;
  std::vector<Variant> items;
  friend bool operator==(const VariantArray&, const VariantArray&) = default;
};

using ByteArray = std::vector<uint8_t>;

enum class VarType : uint8_t {
  kEmpty,
  kMissing,
  kBoolean,
  kInteger,  // 16-bit
  kLong,     // 32-bit
  kDouble,
  kDate,
  kString,
  kObject,
  kByteArray,
  kArray,
};

class Variant {
 public:
  struct MissingTag {
    friend bool operator==(MissingTag, MissingTag) = default;
  };
  struct BoolValue {
    VariantBool value;
    friend bool operator==(BoolValue, BoolValue) = default;
  };

  Variant() = default;
  Variant(int16_t v) : value_(v) {}
  Variant(int32_t v) : value_(v) {}
  Variant(double v) : value_(v) {}
  Variant(Date v) : value_(v) {}
  // Two overloads rather than one by value: a getter's string is moved in once, not twice.
  Variant(std::u16string&& v) : value_(std::move(v)) {}
  Variant(const std::u16string& v) : value_(v) {}
  Variant(const char16_t* v) : value_(std::u16string(v)) {}
  Variant(ObjectPtr v) : value_(std::move(v)) {}
  template <class T>
  requires std::is_base_of_v<AutomationObject, T> Variant(std::shared_ptr<T> v)
      : value_(ObjectPtr(std::move(v))) {}
  Variant(ByteArray v) : value_(std::move(v)) {}
  Variant(VariantArray v) : value_(std::move(v)) {}
  Variant(bool) = delete;  // say Variant::Boolean(b): a C++ bool is not the 16-bit Boolean

  // A String built in place from what `make()` returns: a getter's result lands in the Variant
  // with no move between (moving a short string copies its characters).
  template <class Make>
  static Variant StringFrom(Make&& make) {
    return Variant(InPlace<Make>{make});
  }
  static Variant Boolean(bool b) { return Variant(BoolValue{b ? kVariantTrue : kVariantFalse}); }
  static Variant Missing() { return Variant(MissingTag{}); }
  // A zero-based array of strings, the form directory attributes take for lists.
  static Variant StringArray(const std::vector<std::u16string>& items, int32_t lower_bound = 0);

  VarType type() const noexcept { return static_cast<VarType>(value_.index()); }
  bool IsEmpty() const noexcept { return type() == VarType::kEmpty; }
  bool IsMissing() const noexcept { return type() == VarType::kMissing; }
  bool IsNumeric() const noexcept;  // Boolean, Integer, Long, Double
  bool IsString() const noexcept { return type() == VarType::kString; }
  bool IsObject() const noexcept { return type() == VarType::kObject; }
  bool IsArray() const noexcept { return type() == VarType::kArray; }

  // Direct access; throws a type mismatch when the variant holds another type.
  const std::u16string& AsString() const;
  const ObjectPtr& AsObject() const;
  const ByteArray& AsBytes() const;
  const VariantArray& AsArray() const;
  // The Long held, or null; inline, for the position lookups on hot paths.
  const int32_t* IfLong() const noexcept { return std::get_if<int32_t>(&value_); }
  // The array held, to change in place; null when the variant holds no array.
  VariantArray* MutableArray() noexcept { return std::get_if<VariantArray>(&value_); }

  // Conversions as the automation runtime makes them; failures throw AutomationError
  // (type mismatch, or overflow for numbers outside the target type).
  std::u16string ToString() const;
  int32_t ToLong() const;
  int16_t ToInteger() const;
  double ToDouble() const;
  bool ToBool() const;
  VariantBool ToVariantBool() const { return ToBool() ? kVariantTrue : kVariantFalse; }
  Date ToDate() const;  // by numeric value; outside the Date range is an overflow

  // "Empty", "Boolean", "Integer", "Long", "Double", "Date", "String", "Object", ...
  const char16_t* TypeName() const noexcept;
  // A readable rendering for journals and messages; never throws.
  std::u16string Describe() const;

  friend bool operator==(const Variant& a, const Variant& b) = default;

 private:
  template <class Make>
  struct InPlace {
    Make& make;
    operator std::u16string() const { return make(); }  // NOLINT: converts where it lands
  };
  template <class Make>
  explicit Variant(InPlace<Make> in_place) : value_(std::in_place_type<std::u16string>, in_place) {}
  explicit Variant(MissingTag t) : value_(t) {}
  explicit Variant(BoolValue b) : value_(b) {}

  std::variant<std::monostate, MissingTag, BoolValue, int16_t, int32_t, double, Date,
               std::u16string, ObjectPtr, ByteArray, VariantArray>
      value_;
};

}  // namespace moxtrel
