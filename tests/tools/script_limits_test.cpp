// The script host's limits end a script with a script error, never a crash of the host.
#include "script/script_limits.h"

#include <gtest/gtest.h>

#include <new>

#include "moxtrel/frame/error_codes.h"
#include "script/script_error.h"
#include "script_runner.h"

namespace moxtrel::testing {
namespace {

using script::kOutOfMemory;
using script::kOutOfStackSpace;

constexpr auto kOverflow = static_cast<int32_t>(errc::kOverflow);

// Recursion inside deeply nested expressions: each limit alone allows it, together they would
// overflow the C++ stack; the run ends with Out of stack space, trappable like any error.
TEST(ScriptLimitsTest, NestedExpressionsAroundDeepCallsRunOutOfStackSpace) {
  std::string call = "F(n - 1)";
  for (int i = 0; i < 80; ++i) call = "Abs(" + call + ")";
  const std::string f =
      "Function F(n)\nIf n <= 0 Then\nF = 0\nElse\nF = " + call + "\nEnd If\nEnd Function\n";
  auto r = RunScript(f + "Print F(190)\n");
  EXPECT_EQ(r.code, static_cast<int32_t>(kOutOfStackSpace)) << r.error;
  EXPECT_NE(r.error.find("Out of stack space"), std::string::npos) << r.error;

  auto trapped = RunScript(f + "On Error Resume Next\nx = F(190)\nPrint Hex(Err.Number)\n");
  EXPECT_EQ(trapped.error, "");
  EXPECT_EQ(trapped.out, "800A001C\n");

  // Plain recursion stops at the call limit with the same error.
  auto calls = RunScript("Sub Loop1()\nLoop1\nEnd Sub\nLoop1\n");
  EXPECT_EQ(calls.code, static_cast<int32_t>(kOutOfStackSpace)) << calls.error;
}

// A flat chain of operators is as long as it is written, not nested: it parses and runs.
TEST(ScriptLimitsTest, LongOperatorChainsRun) {
  std::string chain = "Print 1";
  for (int i = 0; i < 50000; ++i) chain += " + 1";
  auto r = RunScript(chain + "\n");
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.out, "50001\n");
  std::string mixed = "Print 2";
  for (int i = 0; i < 300; ++i) mixed += " * 1 - 0 + 0 / 1";
  EXPECT_EQ(RunScript(mixed + "\n").out, "2\n");
}

// Strings and arrays past their limits raise Out of memory before allocating; so does a failed
// allocation, which On Error Resume Next traps like any other error.
TEST(ScriptLimitsTest, OutOfMemoryIsAScriptError) {
  EXPECT_EQ(RunScript("x = Space(2000000000)\n").code, static_cast<int32_t>(kOutOfMemory));
  EXPECT_EQ(RunScript("x = String(16777217, \"a\")\n").code, static_cast<int32_t>(kOutOfMemory));
  auto doubling = RunScript(
      "s = Space(1048576)\nOn Error Resume Next\nFor i = 1 To 10\ns = s & s\n"
      "If Err.Number <> 0 Then Exit For\nNext\nPrint Hex(Err.Number), Len(s)\n");
  EXPECT_EQ(doubling.out, "800A0007 16777216\n") << doubling.error;
  EXPECT_EQ(RunScript("s = Space(9000000)\nt = s + s\n").code, static_cast<int32_t>(kOutOfMemory));
  EXPECT_EQ(RunScript("x = Replace(Space(9000000), \" \", \"ab\")\n").code,
            static_cast<int32_t>(kOutOfMemory));
  EXPECT_EQ(RunScript("x = Join(Array(Space(9000000), Space(9000000)))\n").code,
            static_cast<int32_t>(kOutOfMemory));
  EXPECT_EQ(RunScript("x = Split(Space(1000001), \" \")\n").code,
            static_cast<int32_t>(kOutOfMemory));
  EXPECT_EQ(RunScript("x = Space(16777216)\nPrint Len(x)\n").out, "16777216\n");

  auto pump_fails = [](int32_t) { throw std::bad_alloc(); };
  auto r = RunScript("Pump 1\n", nullptr, pump_fails);
  EXPECT_EQ(r.code, static_cast<int32_t>(kOutOfMemory));
  EXPECT_EQ(r.error, "t.mox:1: Out of memory (0x800A0007)");
  auto trapped = RunScript("On Error Resume Next\nPump 1\nPrint Hex(Err.Number), Err.Description\n",
                           nullptr, pump_fails);
  EXPECT_EQ(trapped.out, "800A0007 Out of memory\n");
}

// Results beyond a Double, and dates beyond their range, are overflow errors; DateSerial and
// TimeSerial carry months and days over as the calendar does.
TEST(ScriptLimitsTest, OverflowAndDateRange) {
  EXPECT_EQ(RunScript("Print 2 ^ 1024\n").code, kOverflow);
  EXPECT_EQ(RunScript("Print 1E308 * 10\n").code, kOverflow);
  EXPECT_EQ(RunScript("Print 2 ^ 10\n").out, "1024\n");

  auto r = RunScript(
      "Print DateSerial(2000, -1, 1)\nPrint DateSerial(2000, 13, 1)\nPrint DateSerial(2000, 3, 0)\n"
      "Print DateSerial(2000, 0, 1)\nPrint DateSerial(1999, 1 - 12 * 100, 31)\n");
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.out, "11/1/1999\n1/1/2001\n2/29/2000\n12/1/1999\n1/31/1899\n");
  EXPECT_EQ(RunScript("Print DateSerial(99999, 1, 1)\n").code, kOverflow);
  EXPECT_EQ(RunScript("Print DateSerial(2000, 2147483647, 1)\n").code, kOverflow);
  EXPECT_EQ(RunScript("Print TimeSerial(2147483647, 0, 0)\n").code, kOverflow);
  // A Date parameter refuses a day number outside the range.
  EXPECT_EQ(RunScript("Set u = New moxUser\nu.AccountExpirationDate = 1E15\n").code, kOverflow);
}

}  // namespace
}  // namespace moxtrel::testing
