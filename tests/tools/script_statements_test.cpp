#include <gtest/gtest.h>

#include "moxtrel/frame/error_codes.h"
#include "script/script_error.h"
#include "script_runner.h"

namespace moxtrel::testing {
namespace {

// Const names a value once; writing it again in any way is an error, as is declaring it twice.
TEST(ScriptStatementsTest, ConstantsCannotChange) {
  auto r = RunScript("Const Limit = 3, Name = \"x\"\nPrint Limit * 2, Name\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "6 x\n");

  r = RunScript("Const Limit = 3\nLimit = 4\n");
  EXPECT_EQ(r.code, static_cast<int32_t>(script::kIllegalAssignment));
  EXPECT_EQ(r.error, "t.mox:2: Limit: Illegal assignment: 'Limit' is a constant (0x800A01F5)");
  EXPECT_EQ(RunScript("Const L = 1\nFor L = 1 To 2\nNext\n").code,
            static_cast<int32_t>(script::kIllegalAssignment));
  EXPECT_EQ(RunScript("Const A = 1\nDim A\n").code, static_cast<int32_t>(script::kNameRedefined));
  EXPECT_EQ(RunScript("Const A = 1\nSub S\n  ReDim A(2)\nEnd Sub\nS\n").code,
            static_cast<int32_t>(script::kIllegalAssignment));
  EXPECT_EQ(RunScript("Dim A\nConst A = 1\n").code, static_cast<int32_t>(script::kNameRedefined));
  // A constant inside a procedure is local to it; the global one stays.
  r = RunScript("Const K = 1\nSub S\n  Const K2 = 2\n  Print K + K2\nEnd Sub\nS\nPrint K\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "3\n1\n");
}

// Select Case runs the first matching Case (several values per Case), Case Else otherwise, and
// nothing when neither matches; blocks nest and Exit leaves through them.
TEST(ScriptStatementsTest, SelectCase) {
  const std::string script =
      "Function Kind(x)\n"
      "  Select Case x\n"
      "    Case 1, 2: Kind = \"small\"\n"
      "    Case \"a\", \"b\"\n"
      "      Kind = \"letter\"\n"
      "    Case 2: Kind = \"never\"\n"
      "    Case Else\n"
      "      Select Case x > 10\n"
      "        Case True: Kind = \"big\"\n"
      "          Exit Function\n"
      "      End Select\n"
      "      Kind = \"other\"\n"
      "  End Select\n"
      "End Function\n"
      "Print Kind(2), Kind(\"b\"), Kind(11), Kind(5)\n"
      "Select Case 7\nCase 1\nPrint \"no\"\nEnd Select\nPrint \"after\"\n";
  auto r = RunScript(script);
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "small letter big other\nafter\n");

  EXPECT_EQ(RunScript("Select Case 1\nCase Else\nCase 2\nEnd Select\n").error,
            "t.mox:3:1: expected 'End Select' after the Case Else block, found 'Case'");
  EXPECT_EQ(RunScript("Select Case 1\nCase Is > 2\nEnd Select\n").error,
            "t.mox:2:6: Case Is is not supported");
  EXPECT_EQ(RunScript("Select Case 1\nCase 1\nPrint 1\n").error,
            "t.mox:4:1: expected the end of Select Case (End Select), found end of file");
}

// ReDim makes an array anew; with Preserve it keeps the elements that still fit.
TEST(ScriptStatementsTest, ReDim) {
  auto r = RunScript(
      "Dim a()\nPrint UBound(a)\nReDim a(2)\na(0) = \"x\" : a(2) = \"z\"\n"
      "ReDim Preserve a(4)\nPrint UBound(a), a(0), a(2), IsEmpty(a(4))\n"
      "ReDim Preserve a(0)\nPrint UBound(a), a(0)\nReDim a(1)\nPrint IsEmpty(a(0))\n"
      "ReDim b(1), c(2)\nPrint UBound(b) + UBound(c)\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "-1\n4 x z True\n0 x\nTrue\n3\n");

  EXPECT_EQ(RunScript("ReDim a(-2)\n").code, static_cast<int32_t>(errc::kSubscriptOutOfRange));
  EXPECT_EQ(RunScript("ReDim a\n").error,
            "t.mox:1:8: expected '(' and an upper bound after the name in ReDim, found end of "
            "line");
  EXPECT_EQ(RunScript("Dim a(1, 2)\n").error,
            "t.mox:1:8: arrays of more than one dimension are not supported");
}

// Under Option Explicit an assignment to an undeclared name is an error naming it; Dim, Const,
// ReDim and parameters declare. The option must come first.
TEST(ScriptStatementsTest, OptionExplicit) {
  auto r = RunScript(
      "Option Explicit\nDim total, i\nConst Step2 = 2\nReDim list(1)\n"
      "Sub Add(n)\n  Dim local\n  local = n\n  total = total + local\nEnd Sub\n"
      "For i = 1 To 3\n  Add i * Step2\nNext\nPrint total\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "12\n");

  r = RunScript("Option Explicit\nDim count\ncount = 1\ncuont = 2\n");
  EXPECT_EQ(r.code, static_cast<int32_t>(script::kVariableUndefined));
  EXPECT_EQ(r.error,
            "t.mox:4: cuont: Variable is undefined: 'cuont' (Option Explicit: declare it with Dim)"
            " (did you mean \"count\"?) (0x800A01F4)");
  // Without the option, an assignment still creates the variable.
  EXPECT_EQ(RunScript("cuont = 2\nPrint cuont\n").out, "2\n");

  EXPECT_EQ(RunScript("Dim x\nOption Explicit\n").error,
            "t.mox:2:1: Option Explicit must come before any other statement");
  EXPECT_EQ(RunScript("Option Base 1\n").error, "t.mox:1:1: Option Base is not supported");
}

// IIf evaluates both values and returns one; statements the host does not run are refused by
// name, while the same words still serve as variables.
TEST(ScriptStatementsTest, IIfAndUnsupportedStatements) {
  auto r = RunScript(
      "Print IIf(1 < 2, \"yes\", \"no\"), IIf(0, 1, 2)\nSet o = IIf(True, Nothing, 1)\n"
      "Print o Is Nothing\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "yes 2\nTrue\n");
  EXPECT_EQ(RunScript("Print IIf(True, 1)\n").code, static_cast<int32_t>(script::kWrongArgCount));

  EXPECT_EQ(RunScript("With x\nEnd With\n").error, "t.mox:1:1: With is not supported");
  EXPECT_EQ(RunScript("Randomize\n").error, "t.mox:1:1: Randomize is not supported");
  EXPECT_EQ(RunScript("Private Sub S\nEnd Sub\n").error, "t.mox:1:1: Private is not supported");
  EXPECT_EQ(RunScript("Erase a\n").error, "t.mox:1:1: Erase is not supported");
  r = RunScript("stop = 3\nPrint stop + 1\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "4\n");
}

// A name read over and over finds its variable once, yet a local declared later, another call's
// frame and another interpreter running the same parsed program each see their own variable.
TEST(ScriptStatementsTest, NamesFollowTheirFramesAndDeclarations) {
  auto r = RunScript(
      "x = \"global\"\n"
      "Sub S(depth)\n"
      "  For i = 1 To 2\n"
      "    Print depth & \":\" & x\n"
      "    If i = 1 Then\n"
      "      Dim x\n"
      "      x = \"local\" & depth\n"
      "    End If\n"
      "  Next\n"
      "  If depth < 2 Then S depth + 1\n"
      "  Print depth & \":\" & x\n"
      "End Sub\n"
      "S 1\n"
      "Print x\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "1:global\n1:local1\n2:global\n2:local2\n2:local2\n1:local1\nglobal\n");

  std::ostringstream a_out, b_out;
  script::Interpreter a({.out = &a_out, .directory = nullptr, .pump = nullptr});
  script::Interpreter b({.out = &b_out, .directory = nullptr, .pump = nullptr});
  a.Run(script::Parse("n = 10\n", "a.mox"));
  b.Run(script::Parse("n = 20\n", "b.mox"));
  const script::Program shared = script::Parse("n = n + 1\nPrint n\n", "shared.mox");
  a.Run(shared);
  b.Run(shared);
  a.Run(shared);
  EXPECT_EQ(a_out.str(), "11\n12\n");
  EXPECT_EQ(b_out.str(), "21\n");
}

}  // namespace
}  // namespace moxtrel::testing
