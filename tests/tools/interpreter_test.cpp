#include <gtest/gtest.h>

#include "moxtrel/frame/error_codes.h"
#include "script/script_error.h"
#include "script_runner.h"

namespace moxtrel::testing {
namespace {

using script::kDivisionByZero;
using script::kSubNotDefined;
using script::kVariableUndefined;
using script::kWrongArgCount;

// Arithmetic widens instead of overflowing, "+" joins two strings, & joins anything.
TEST(InterpreterTest, ArithmeticAndText) {
  auto r = RunScript(
      "Print 1 + 2 * 3, 7 \\ 2, 7 Mod 3, 7 / 2, 2 ^ 10\n"
      "Print 2147483647 + 1, -2 ^ 2\n"
      "Print \"a\" + \"b\", \"n=\" & 5 & True, \"3\" + 4\n"
      "Print 1 < 2, \"b\" > \"a\", 2 = \"2\", Empty = 0, Not True, True And 6\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out,
            "7 3 1 3.5 1024\n"
            "2147483648 -4\n"
            "ab n=5True 7\n"
            "True True True True False 6\n");
}

// Each runtime error carries its code and names the line that failed.
TEST(InterpreterTest, RuntimeErrorsNameLineAndCode) {
  auto div = RunScript("x = 1\nPrint x \\ 0\n");
  EXPECT_EQ(div.code, static_cast<int32_t>(kDivisionByZero));
  EXPECT_EQ(div.error, "t.mox:2: Division by zero (0x800A000B)");

  auto undefined = RunScript("Print 1\nPrint missing + 1\n");
  EXPECT_EQ(undefined.error, "t.mox:2: missing: Variable is undefined: 'missing' (0x800A01F4)");
  EXPECT_EQ(undefined.out, "1\n");

  auto mismatch = RunScript("Print \"abc\" * 2\n");
  EXPECT_EQ(mismatch.code, static_cast<int32_t>(errc::kTypeMismatch));

  auto no_sub = RunScript("Frobnicate 1, 2\n");
  EXPECT_EQ(no_sub.code, static_cast<int32_t>(kSubNotDefined));

  auto builtin = RunScript("Print Len()\n");
  EXPECT_EQ(builtin.code, static_cast<int32_t>(kWrongArgCount));
  EXPECT_NE(builtin.error.find("Len takes Len(s)"), std::string::npos) << builtin.error;
}

// Loops: Step counts down, Exit leaves only the innermost loop, Do tests at either end.
TEST(InterpreterTest, ControlFlow) {
  auto r = RunScript(
      "For i = 5 To 1 Step -2 : Print i : Next\n"
      "For Each w In Split(\"a b c\") : If w = \"b\" Then Exit For\n Print w : Next\n"
      "n = 0\nDo Until n >= 3\n n = n + 1\nLoop\nPrint n\n"
      "Do\n n = n + 10\nLoop While n < 0\nPrint n\n"
      "While n > 11 : n = n - 1 : Wend : Print n\n"
      "If n = 1 Then\nPrint \"one\"\nElseIf n = 11 Then\nPrint \"eleven\"\nElse\nPrint "
      "\"other\"\nEnd If\n"
      "If n > 100 Then Print \"big\" Else Print \"small\"\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "5\n3\n1\na\n3\n13\n11\neleven\nsmall\n");
}

// Functions return through their name, locals shadow globals, recursion works, and calls
// check their argument count.
TEST(InterpreterTest, Procedures) {
  auto r = RunScript(
      "x = \"global\"\n"
      "Function Fact(n)\n If n <= 1 Then\n  Fact = 1\n Else\n  Fact = n * Fact(n - 1)\n End "
      "If\nEnd Function\n"
      "Sub Show(x)\n Print \"local\", x\n y = 5\nEnd Sub\n"
      "Sub Early()\n Print \"in\"\n Exit Sub\n Print \"never\"\nEnd Sub\n"
      "Print Fact(10)\nShow 1\nShow(2)\nCall Show(3)\nEarly\nPrint x\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "3628800\nlocal 1\nlocal 2\nlocal 3\nin\nglobal\n");

  auto count = RunScript("Sub Two(a, b)\nEnd Sub\nTwo 1\n");
  EXPECT_EQ(count.code, static_cast<int32_t>(kWrongArgCount));
  EXPECT_EQ(count.error,
            "t.mox:3: Two: Wrong number of arguments: Two takes 2 arguments, got 1 (0x800A01C2)");

  auto deep = RunScript("Sub Loop1()\nLoop1\nEnd Sub\nLoop1\n");
  EXPECT_NE(deep.error.find("Out of stack space"), std::string::npos) << deep.error;
}

// On Error Resume Next traps in its own procedure and in the procedures it calls; Err keeps
// the code and text; GoTo 0 ends the trapping.
TEST(InterpreterTest, OnErrorResumeNext) {
  auto r = RunScript(
      "Sub Fails()\n Print 1 \\ 0\n Print \"not reached\"\nEnd Sub\n"
      "On Error Resume Next\n"
      "Fails\nPrint Hex(Err.Number), Err.Description\n"
      "Err.Clear\nPrint Err.Number\n"
      "Err.Raise 1234, \"demo\", \"custom\"\nPrint Err.Number, Err.Source, Err.Description\n"
      "On Error GoTo 0\nPrint Err.Number\n"
      "Print 1 \\ 0\nPrint \"not reached\"\n");
  EXPECT_EQ(r.out, "800A000B Division by zero\n0\n1234 demo custom\n0\n");
  EXPECT_EQ(r.error, "t.mox:14: Division by zero (0x800A000B)");
}

// Objects need Set, and Set needs an object; arrays are bounded.
TEST(InterpreterTest, SetRulesAndArrays) {
  auto set_value = RunScript("Set x = 5\n");
  EXPECT_EQ(set_value.code, static_cast<int32_t>(errc::kObjectRequired));
  auto plain_object = RunScript("x = Err\n");
  EXPECT_EQ(plain_object.code, static_cast<int32_t>(errc::kObjectRequired));
  EXPECT_NE(plain_object.error.find("needs Set"), std::string::npos);

  auto arrays = RunScript(
      "Dim a(2)\na(0) = \"x\" : a(2) = \"z\"\nPrint UBound(a), a(0) & a(1) & a(2)\n"
      "Print Join(Array(1, 2, 3), \"-\")\nSet n = Nothing\nPrint n Is Nothing, TypeName(n)\n"
      "Print a(3)\n");
  EXPECT_EQ(arrays.out, "2 xz\n1-2-3\nTrue Nothing\n");
  EXPECT_EQ(arrays.code, static_cast<int32_t>(errc::kSubscriptOutOfRange));
}

// Built-in functions handle edge values without undefined behaviour.
// Array elements are read and written in place, yet an array is a value: a copy made by
// assignment keeps its own elements.
TEST(InterpreterTest, ArrayElementsChangeInPlaceAndCopiesStayApart) {
  auto r = RunScript(
      "Dim a(2)\na(0) = 1\nb = a\na(0) = a(0) + 1\nb(1) = \"x\"\n"
      "Print a(0), b(0), IsEmpty(a(1)), b(1)\na(3) = 1\n");
  EXPECT_EQ(r.out, "2 1 True x\n");
  EXPECT_EQ(r.code, static_cast<int32_t>(errc::kSubscriptOutOfRange));
}

TEST(InterpreterTest, BuiltinEdges) {
  auto r = RunScript(
      "Print Mid(\"abc\", 5) = \"\", Left(\"abc\", 10), Right(\"abc\", 2), InStr(\"abcabc\", "
      "\"c\")\n"
      "Print InStr(3, \"abcabc\", \"a\"), Replace(\"a.b.c\", \".\", \"/\"), UCase(\"mox\"), "
      "Hex(-1)\n"
      "Print CLng(\"42\") + 1, Year(DateSerial(2024, 3, 4)), IsNumeric(\"x\"), Abs(-2147483648)\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "True abc bc 3\n4 a/b/c MOX FFFFFFFF\n43 2024 False 2147483648\n");
  EXPECT_EQ(RunScript("Print Mid(\"abc\", 0)\n").code,
            static_cast<int32_t>(errc::kInvalidProcedureCall));
  EXPECT_EQ(RunScript("Print Space(-1)\n").code, static_cast<int32_t>(errc::kInvalidProcedureCall));
  EXPECT_EQ(RunScript("Print CLng(\"12x\")\n").code, static_cast<int32_t>(errc::kTypeMismatch));
  EXPECT_EQ(RunScript("For i = 1 To 2 Step 0\nNext\n").code,
            static_cast<int32_t>(errc::kInvalidProcedureCall));
}

// Names assigned inside a procedure are local unless a global of that name exists; Err.Source
// names what failed; an error trapped inside a procedure stays there.
TEST(InterpreterTest, ScopesAndErrSource) {
  auto r = RunScript(
      "counter = 0\n"
      "Sub Bump()\n counter = counter + 1\n scratch = 1\nEnd Sub\n"
      "Sub Careful()\n On Error Resume Next\n Print 1 \\ 0\n Print \"careful goes on\", Err.Number "
      "<> 0\nEnd Sub\n"
      "Bump : Bump\nPrint counter, IsEmpty(Err.Source)\n"
      "Careful\nPrint \"caller\", Err.Number <> 0\n"
      "On Error Resume Next\nBump 1, 2\nPrint Err.Source\n"
      "Print scratch\nPrint Err.Description\n");
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.out,
            "2 False\ncareful goes on True\ncaller True\nBump\n"
            "Variable is undefined: 'scratch'\n");
}

}  // namespace
}  // namespace moxtrel::testing
