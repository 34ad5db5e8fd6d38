#include "operators.h"

#include <cmath>
#include <limits>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "script_error.h"
#include "script_limits.h"

namespace moxtrel::script {
namespace {

[[noreturn]] void Mismatch(Op op, const Variant& a, const Variant& b) {
  throw RuntimeError(errc::kTypeMismatch, u"Type mismatch: '" + FromUtf8(OpText(op)) +
                                              u"' cannot combine " + a.TypeName() + u" and " +
                                              b.TypeName());
}

bool IsIntegral(const Variant& v) {
  return v.type() == VarType::kLong || v.type() == VarType::kInteger ||
         v.type() == VarType::kBoolean || v.IsEmpty();
}

bool IsScalar(const Variant& v) {
  return v.IsNumeric() || v.IsEmpty() || v.IsString() || v.type() == VarType::kDate;
}

// A number for arithmetic; strings must hold one.
double Num(Op op, const Variant& v, const Variant& other) {
  if (!IsScalar(v)) Mismatch(op, v, other);
  try {
    return v.ToDouble();
  } catch (const AutomationError&) {
    Mismatch(op, v, other);
  }
}

// A Long when the exact result fits, otherwise a Double.
Variant Widen(double exact) {
  if (exact >= std::numeric_limits<int32_t>::min() &&
      exact <= std::numeric_limits<int32_t>::max() && exact == std::floor(exact)) {
    return Variant(static_cast<int32_t>(exact));
  }
  return Variant(exact);
}

// Joins two strings within the string length limit.
Variant Concat(const std::u16string& a, const std::u16string& b) {
  CheckStringLength(a.size() + b.size());
  return Variant(a + b);
}

// A result that left the range of a Double is an overflow, not an infinity shown to the script.
Variant Finite(double r) {
  if (std::isinf(r)) throw RuntimeError(errc::kOverflow, u"Overflow");
  if (std::isnan(r)) throw RuntimeError(errc::kInvalidProcedureCall, u"Invalid procedure call");
  return Variant(r);
}

Variant Arith(Op op, const Variant& a, const Variant& b) {
  if (op == Op::kAdd && a.IsString() && b.IsString()) return Concat(a.AsString(), b.AsString());
  const double x = Num(op, a, b);
  const double y = Num(op, b, a);
  const bool integral = IsIntegral(a) && IsIntegral(b);
  const bool date = a.type() == VarType::kDate || b.type() == VarType::kDate;
  if (op == Op::kAdd || op == Op::kSub) {
    const double r = op == Op::kAdd ? x + y : x - y;
    if (date && !(op == Op::kSub && a.type() == VarType::kDate && b.type() == VarType::kDate)) {
      if (!Date::InRange(r)) throw RuntimeError(errc::kOverflow, u"Overflow: date out of range");
      return Variant(Date{r});
    }
    return integral ? Widen(r) : Finite(r);
  }
  if (op == Op::kMul) return integral ? Widen(x * y) : Finite(x * y);
  if (op == Op::kDiv) {
    if (y == 0) throw RuntimeError(kDivisionByZero, u"Division by zero");
    return Finite(x / y);
  }
  if (op == Op::kPow) {
    if (x == 0 && y < 0) throw RuntimeError(kDivisionByZero, u"Division by zero");
    return Finite(std::pow(x, y));
  }
  // \ and Mod round their operands to Longs first.
  const int64_t ix = Variant(x).ToLong();
  const int64_t iy = Variant(y).ToLong();
  if (iy == 0) throw RuntimeError(kDivisionByZero, u"Division by zero");
  return Widen(static_cast<double>(op == Op::kIntDiv ? ix / iy : ix % iy));
}

// -1, 0 or 1.
int Compare(Op op, const Variant& a, const Variant& b) {
  if (a.IsObject() || b.IsObject()) {
    throw RuntimeError(errc::kTypeMismatch, u"Type mismatch: '" + FromUtf8(OpText(op)) +
                                                u"' compares values; use Is for objects");
  }
  if (!IsScalar(a) || !IsScalar(b)) Mismatch(op, a, b);
  auto numeric = [](const Variant& v) { return v.IsNumeric() || v.type() == VarType::kDate; };
  const bool a_text = a.IsString() || (a.IsEmpty() && b.IsString());
  const bool b_text = b.IsString() || (b.IsEmpty() && a.IsString());
  if (a_text && b_text) {
    const std::u16string x = a.ToString(), y = b.ToString();
    return x < y ? -1 : (x == y ? 0 : 1);
  }
  double x = 0, y = 0;
  try {
    x = a.ToDouble();
    y = b.ToDouble();
  } catch (const AutomationError&) {
    // A number against text that is not a number: compare as text.
    if (numeric(a) || numeric(b)) {
      const std::u16string sx = Show(a), sy = Show(b);
      return sx < sy ? -1 : (sx == sy ? 0 : 1);
    }
    Mismatch(op, a, b);
  }
  return x < y ? -1 : (x == y ? 0 : 1);
}

bool IsBoolish(const Variant& v) {
  if (v.type() == VarType::kBoolean) return true;
  if (!v.IsString()) return false;
  const std::u16string t = Trim(v.AsString());
  return EqualsNoCase(t, u"True") || EqualsNoCase(t, u"False");
}

Variant Logic(Op op, const Variant& a, const Variant& b) {
  if (!IsScalar(a) || !IsScalar(b)) Mismatch(op, a, b);
  if (IsBoolish(a) && IsBoolish(b)) {
    const bool x = a.ToBool(), y = b.ToBool();
    const bool r = op == Op::kAnd ? (x && y) : op == Op::kOr ? (x || y) : (x != y);
    return Variant::Boolean(r);
  }
  int32_t x = 0, y = 0;
  try {
    x = a.ToLong();
    y = b.ToLong();
  } catch (const AutomationError&) {
    Mismatch(op, a, b);
  }
  return Variant(op == Op::kAnd ? (x & y) : op == Op::kOr ? (x | y) : (x ^ y));
}

Variant Binary(Op op, const Variant& a, const Variant& b) {
  switch (op) {
    case Op::kConcat:
      return Concat(Show(a), Show(b));
    case Op::kIs:
      if (!a.IsObject() || !b.IsObject()) {
        throw RuntimeError(errc::kObjectRequired, u"Object required: 'Is' compares two objects");
      }
      return Variant::Boolean(a.AsObject() == b.AsObject());
    case Op::kAnd:
    case Op::kOr:
    case Op::kXor:
      return Logic(op, a, b);
    case Op::kEq:
      return Variant::Boolean(Compare(op, a, b) == 0);
    case Op::kNe:
      return Variant::Boolean(Compare(op, a, b) != 0);
    case Op::kLt:
      return Variant::Boolean(Compare(op, a, b) < 0);
    case Op::kGt:
      return Variant::Boolean(Compare(op, a, b) > 0);
    case Op::kLe:
      return Variant::Boolean(Compare(op, a, b) <= 0);
    case Op::kGe:
      return Variant::Boolean(Compare(op, a, b) >= 0);
    case Op::kAdd:
    case Op::kSub:
    case Op::kMul:
    case Op::kDiv:
    case Op::kIntDiv:
    case Op::kMod:
    case Op::kPow:
      return Arith(op, a, b);
    case Op::kNot:
    case Op::kNeg:
      break;
  }
  throw RuntimeError(errc::kInvalidProcedureCall,
                     u"'" + FromUtf8(OpText(op)) + u"' takes one operand, not two");
}

}  // namespace

Variant BinaryOp(Op op, const Variant& a, const Variant& b) {
  try {
    return Binary(op, a, b);
  } catch (const AutomationError& e) {
    throw RuntimeError(e.code(), e.description());
  }
}

Variant UnaryOp(Op op, const Variant& a) {
  if (op == Op::kNeg) {
    if (!IsScalar(a)) Mismatch(op, a, a);
    if (a.type() == VarType::kDouble || a.IsString()) return Variant(-Num(op, a, a));
    return Widen(-Num(op, a, a));
  }
  // Not
  if (IsBoolish(a)) return Variant::Boolean(!a.ToBool());
  if (!IsScalar(a)) Mismatch(op, a, a);
  try {
    return Variant(~a.ToLong());
  } catch (const AutomationError&) {
    Mismatch(op, a, a);
  }
}

bool Truth(const Variant& v) {
  if (!IsScalar(v)) {
    throw RuntimeError(errc::kTypeMismatch,
                       std::u16string(u"Type mismatch: a condition cannot be ") + v.TypeName());
  }
  try {
    return v.ToBool();
  } catch (const AutomationError& e) {
    throw RuntimeError(e.code(), e.description());
  }
}

std::u16string Show(const Variant& v) {
  switch (v.type()) {
    case VarType::kObject:
      return v.AsObject() ? u"<" + std::u16string(v.AsObject()->TypeName()) + u">" : u"Nothing";
    case VarType::kMissing:
      return u"";
    case VarType::kArray:
      return u"<Array>";
    case VarType::kByteArray:
      return u"<Byte()>";
    default:
      return v.ToString();
  }
}

}  // namespace moxtrel::script
