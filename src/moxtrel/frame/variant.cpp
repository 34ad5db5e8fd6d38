#include "moxtrel/frame/variant.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel {
namespace {

[[noreturn]] void Mismatch(const Variant& v, const char16_t* target) {
  throw AutomationError(errc::kTypeMismatch, std::u16string(u"Type mismatch: cannot convert ") +
                                                 v.TypeName() + u" to " + target);
}

[[noreturn]] void Overflow(const char16_t* target) {
  throw AutomationError(errc::kOverflow,
                        std::u16string(u"Overflow: the value does not fit ") + target);
}

// Banker's rounding, as the runtime rounds doubles to integers.
double RoundHalfEven(double v) {
  return std::nearbyint(v);
}

std::u16string FormatDouble(double v) {
  if (std::isnan(v)) return u"NaN";
  if (std::isinf(v)) return v > 0 ? u"Infinity" : u"-Infinity";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return FromUtf8(buf);
}

// Parses a whole string as a number; false when it is not one.
bool ParseNumber(std::u16string_view text, double& out) {
  const std::u16string trimmed = Trim(text);
  std::string s = ToUtf8(trimmed);
  if (s.empty()) return false;
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) {
    // Hex digits only: no sign and no blank after "&H".
    const auto v = ParseHex(std::u16string_view(trimmed).substr(2));
    if (!v) return false;
    out = static_cast<double>(*v);
    return true;
  }
  for (char c : s) {
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
          c == 'e' || c == 'E')) {
      return false;
    }
  }
  char* end = nullptr;
  errno = 0;
  out = std::strtod(s.c_str(), &end);
  return *end == '\0' && errno == 0 && std::isfinite(out);
}

}  // namespace

Variant Variant::StringArray(const std::vector<std::u16string>& items, int32_t lower_bound) {
  VariantArray arr;
  arr.lower_bound = lower_bound;
  arr.items.reserve(items.size());
  for (const auto& s : items) arr.items.emplace_back(s);
  return Variant(std::move(arr));
}

bool Variant::IsNumeric() const noexcept {
  switch (type()) {
    case VarType::kBoolean:
    case VarType::kInteger:
    case VarType::kLong:
    case VarType::kDouble:
      return true;
    default:
      return false;
  }
}

const std::u16string& Variant::AsString() const {
  if (auto* s = std::get_if<std::u16string>(&value_)) return *s;
  Mismatch(*this, u"String");
}

const ObjectPtr& Variant::AsObject() const {
  if (auto* o = std::get_if<ObjectPtr>(&value_)) return *o;
  throw AutomationError(errc::kObjectRequired,
                        std::u16string(u"Object required: the value is ") + TypeName());
}

const ByteArray& Variant::AsBytes() const {
  if (auto* b = std::get_if<ByteArray>(&value_)) return *b;
  Mismatch(*this, u"Byte array");
}

const VariantArray& Variant::AsArray() const {
  if (auto* a = std::get_if<VariantArray>(&value_)) return *a;
  Mismatch(*this, u"Array");
}

std::u16string Variant::ToString() const {
  switch (type()) {
    case VarType::kEmpty:
      return u"";
    case VarType::kBoolean:
      return std::get<BoolValue>(value_).value ? u"True" : u"False";
    case VarType::kInteger:
      return FromUtf8(std::to_string(std::get<int16_t>(value_)));
    case VarType::kLong:
      return FromUtf8(std::to_string(std::get<int32_t>(value_)));
    case VarType::kDouble:
      return FormatDouble(std::get<double>(value_));
    case VarType::kDate:
      return std::get<Date>(value_).ToString();
    case VarType::kString:
      return std::get<std::u16string>(value_);
    default:
      Mismatch(*this, u"String");
  }
}

double Variant::ToDouble() const {
  switch (type()) {
    case VarType::kEmpty:
      return 0.0;
    case VarType::kBoolean:
      return std::get<BoolValue>(value_).value;
    case VarType::kInteger:
      return std::get<int16_t>(value_);
    case VarType::kLong:
      return std::get<int32_t>(value_);
    case VarType::kDouble:
      return std::get<double>(value_);
    case VarType::kDate:
      return std::get<Date>(value_).value;
    case VarType::kString: {
      double d = 0;
      if (ParseNumber(std::get<std::u16string>(value_), d)) return d;
      Mismatch(*this, u"Double");
    }
    default:
      Mismatch(*this, u"Double");
  }
}

int32_t Variant::ToLong() const {
  if (type() == VarType::kLong) return std::get<int32_t>(value_);
  const double d = RoundHalfEven(ToDouble());
  if (!(d >= std::numeric_limits<int32_t>::min() && d <= std::numeric_limits<int32_t>::max())) {
    Overflow(u"Long");
  }
  return static_cast<int32_t>(d);
}

int16_t Variant::ToInteger() const {
  const double d = RoundHalfEven(ToDouble());
  if (!(d >= std::numeric_limits<int16_t>::min() && d <= std::numeric_limits<int16_t>::max())) {
    Overflow(u"Integer");
  }
  return static_cast<int16_t>(d);
}

bool Variant::ToBool() const {
  if (type() == VarType::kString) {
    const auto& s = std::get<std::u16string>(value_);
    const std::u16string t = Trim(s);
    if (EqualsNoCase(t, u"True")) return true;
    if (EqualsNoCase(t, u"False")) return false;
    double d = 0;
    if (ParseNumber(t, d)) return d != 0.0;
    Mismatch(*this, u"Boolean");
  }
  if (type() == VarType::kDate) Mismatch(*this, u"Boolean");
  return ToDouble() != 0.0;
}

Date Variant::ToDate() const {
  if (type() == VarType::kEmpty) return Date{};
  if (!IsNumeric() && type() != VarType::kString && type() != VarType::kDate) {
    Mismatch(*this, u"Date");
  }
  // A Date held here may have been made out of range; every conversion checks it.
  const double d = ToDouble();
  if (!Date::InRange(d)) Overflow(u"Date (1 January 100 to 31 December 9999)");
  return Date{d};
}

const char16_t* Variant::TypeName() const noexcept {
  switch (type()) {
    case VarType::kEmpty:
      return u"Empty";
    case VarType::kMissing:
      return u"Missing";
    case VarType::kBoolean:
      return u"Boolean";
    case VarType::kInteger:
      return u"Integer";
    case VarType::kLong:
      return u"Long";
    case VarType::kDouble:
      return u"Double";
    case VarType::kDate:
      return u"Date";
    case VarType::kString:
      return u"String";
    case VarType::kObject:
      return u"Object";
    case VarType::kByteArray:
      return u"Byte()";
    case VarType::kArray:
      return u"Variant()";
  }
  return u"Unknown";
}

std::u16string Variant::Describe() const {
  switch (type()) {
    case VarType::kEmpty:
      return u"Empty";
    case VarType::kMissing:
      return u"Missing";
    case VarType::kString:
      return u"\"" + std::get<std::u16string>(value_) + u"\"";
    case VarType::kObject: {
      const auto& o = std::get<ObjectPtr>(value_);
      return o ? std::u16string(o->TypeName()) : std::u16string(u"Nothing");
    }
    case VarType::kByteArray: {
      static const char16_t* digits = u"0123456789ABCDEF";
      std::u16string out = u"Byte(";
      for (uint8_t b : std::get<ByteArray>(value_)) {
        out += digits[b >> 4];
        out += digits[b & 15];
      }
      return out + u")";
    }
    case VarType::kArray: {
      const auto& a = std::get<VariantArray>(value_);
      std::u16string out = u"Array(" + FromUtf8(std::to_string(a.lower_bound)) + u":";
      for (std::size_t i = 0; i < a.items.size(); ++i) {
        out += (i ? u", " : u" ") + a.items[i].Describe();
      }
      return out + u")";
    }
    case VarType::kDate: {
      // Describing never throws: an out-of-range date shows its number of days.
      const Date d = std::get<Date>(value_);
      return Date::InRange(d.value) ? u"#" + d.ToString() + u"#"
                                    : u"#" + FormatDouble(d.value) + u" days#";
    }
    default:
      return ToString();
  }
}

}  // namespace moxtrel
