#include <gtest/gtest.h>

#include "moxtrel/frame/error_codes.h"
#include "script/operators.h"
#include "script/script_error.h"

namespace moxtrel::script {
namespace {

int32_t CodeOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.code();
  }
  return 0;
}

const Variant kOne(int32_t{1});
const Variant kTrue = Variant::Boolean(true);

// Results keep the narrowest exact type: Long while it fits, Double after, Date for date
// arithmetic.
TEST(OperatorsTest, ArithmeticResultTypes) {
  EXPECT_EQ(BinaryOp(Op::kAdd, Variant(int32_t{2147483647}), kOne), Variant(2147483648.0));
  EXPECT_EQ(BinaryOp(Op::kMul, Variant(int32_t{-65536}), Variant(int32_t{65536})),
            Variant(-4294967296.0));
  EXPECT_EQ(BinaryOp(Op::kSub, Variant(int32_t{5}), Variant(int32_t{7})), Variant(int32_t{-2}));
  EXPECT_EQ(BinaryOp(Op::kDiv, Variant(int32_t{6}), Variant(int32_t{3})), Variant(2.0));
  EXPECT_EQ(BinaryOp(Op::kIntDiv, Variant(-7.4), Variant(int32_t{2})),
            Variant(int32_t{-3}));  // truncates
  EXPECT_EQ(BinaryOp(Op::kAdd, Variant(Date{45000.0}), kOne), Variant(Date{45001.0}));
  EXPECT_EQ(BinaryOp(Op::kSub, Variant(Date{45001.0}), Variant(Date{45000.0})), Variant(1.0));
  EXPECT_EQ(BinaryOp(Op::kAdd, Variant(), Variant()), Variant(int32_t{0}));
  EXPECT_EQ(UnaryOp(Op::kNeg, Variant(int32_t{-2147483647 - 1})), Variant(2147483648.0));
}

// Division by zero and unconvertible operands are errors with their own codes, never a crash.
TEST(OperatorsTest, ArithmeticErrors) {
  EXPECT_EQ(CodeOf([] { BinaryOp(Op::kDiv, kOne, Variant(int32_t{0})); }),
            static_cast<int32_t>(kDivisionByZero));
  EXPECT_EQ(CodeOf([] { BinaryOp(Op::kMod, kOne, Variant(0.2)); }),
            static_cast<int32_t>(kDivisionByZero));
  EXPECT_EQ(CodeOf([] {
              BinaryOp(Op::kIntDiv, Variant(int32_t{-2147483647 - 1}), Variant(int32_t{-1}));
            }),
            0)
      << "the smallest Long divided by -1 must not trap";
  EXPECT_EQ(CodeOf([] { BinaryOp(Op::kSub, Variant(u"x"), kOne); }),
            static_cast<int32_t>(errc::kTypeMismatch));
  EXPECT_EQ(CodeOf([] { BinaryOp(Op::kAdd, Variant(ObjectPtr{}), kOne); }),
            static_cast<int32_t>(errc::kTypeMismatch));
  EXPECT_EQ(CodeOf([] { BinaryOp(Op::kAdd, Variant(VariantArray{}), kOne); }),
            static_cast<int32_t>(errc::kTypeMismatch));
  EXPECT_NE(CodeOf([] { BinaryOp(Op::kIntDiv, Variant(1e300), kOne); }), 0);
  EXPECT_NE(CodeOf([] { BinaryOp(Op::kAdd, Variant(Date{Date::kMaxDays}), Variant(10.0)); }), 0);
}

// Comparisons: numbers by value, text by code unit, a number against non-numeric text as
// text; objects only with Is.
TEST(OperatorsTest, Comparisons) {
  EXPECT_EQ(BinaryOp(Op::kEq, Variant(int32_t{2}), Variant(2.0)), kTrue);
  EXPECT_EQ(BinaryOp(Op::kLt, Variant(u"B"), Variant(u"a")), kTrue);
  EXPECT_EQ(BinaryOp(Op::kEq, Variant(u"10"), Variant(int32_t{10})), kTrue);
  EXPECT_EQ(BinaryOp(Op::kLt, Variant(int32_t{10}), Variant(u"x")), kTrue);
  EXPECT_EQ(BinaryOp(Op::kEq, Variant(), Variant(u"")), kTrue);
  EXPECT_EQ(BinaryOp(Op::kNe, kTrue, Variant(int32_t{-1})), Variant::Boolean(false));
  EXPECT_EQ(BinaryOp(Op::kIs, Variant(ObjectPtr{}), Variant(ObjectPtr{})), kTrue);
  EXPECT_EQ(CodeOf([] { BinaryOp(Op::kEq, Variant(ObjectPtr{}), Variant(ObjectPtr{})); }),
            static_cast<int32_t>(errc::kTypeMismatch));
  EXPECT_EQ(CodeOf([] { BinaryOp(Op::kIs, kOne, Variant(ObjectPtr{})); }),
            static_cast<int32_t>(errc::kObjectRequired));
}

// Logic stays Boolean on Booleans and works bit by bit on numbers.
TEST(OperatorsTest, Logic) {
  EXPECT_EQ(BinaryOp(Op::kAnd, kTrue, Variant::Boolean(false)), Variant::Boolean(false));
  EXPECT_EQ(BinaryOp(Op::kOr, Variant(u"False"), kTrue), kTrue);
  EXPECT_EQ(BinaryOp(Op::kXor, Variant(int32_t{6}), Variant(int32_t{3})), Variant(int32_t{5}));
  EXPECT_EQ(BinaryOp(Op::kAnd, kTrue, Variant(int32_t{6})), Variant(int32_t{6}));
  EXPECT_EQ(UnaryOp(Op::kNot, Variant(int32_t{0})), Variant(int32_t{-1}));
  EXPECT_EQ(UnaryOp(Op::kNot, kTrue), Variant::Boolean(false));
  EXPECT_EQ(CodeOf([] { BinaryOp(Op::kAnd, Variant(u"maybe"), kTrue); }),
            static_cast<int32_t>(errc::kTypeMismatch));
  EXPECT_FALSE(Truth(Variant()));
  EXPECT_EQ(CodeOf([] { Truth(Variant(ObjectPtr{})); }), static_cast<int32_t>(errc::kTypeMismatch));
  EXPECT_EQ(CodeOf([] { Truth(Variant(u"perhaps")); }), static_cast<int32_t>(errc::kTypeMismatch));
}

// How values print.
TEST(OperatorsTest, Show) {
  EXPECT_EQ(Show(Variant(ObjectPtr{})), u"Nothing");
  EXPECT_EQ(Show(kTrue), u"True");
  EXPECT_EQ(Show(Variant(0.1 + 0.2)), u"0.3");
  EXPECT_EQ(Show(Variant(Date::FromCivil(2024, 3, 4, 13, 5))), u"3/4/2024 1:05:00 PM");
  EXPECT_EQ(Show(Variant(VariantArray{})), u"<Array>");
}

}  // namespace
}  // namespace moxtrel::script
