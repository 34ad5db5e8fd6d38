// The operators of the language on Variants: arithmetic, concatenation, comparison and logic,
// with the conversions a classic automation script makes (Long results widen to Double
// rather than overflow; "+" of two strings joins them; And/Or on Booleans stay Boolean).
//
//   Variant v = BinaryOp(Op::kAdd, Variant(int32_t{1}), Variant(2.5));   // 3.5
#pragma once

#include "ast.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel::script {

// Throws RuntimeError (type mismatch, division by zero, overflow).
Variant BinaryOp(Op op, const Variant& a, const Variant& b);
// Op::kNeg or Op::kNot.
Variant UnaryOp(Op op, const Variant& a);

// The truth of a condition: Empty is False; objects and arrays are a type mismatch.
bool Truth(const Variant& v);

// How Print and "&" show a value.
std::u16string Show(const Variant& v);

}  // namespace moxtrel::script
