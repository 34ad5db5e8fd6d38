#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"
#include "cli_runner.h"

namespace moxtrel::script {
namespace {

const char* const kEcho =
    "Print Arguments.Count\nFor Each a In Arguments\n  Print \"[\" & a & \"]\"\nNext\n"
    "If Arguments.Count > 0 Then Print Arguments(1)\n";

// Words after the script reach it as Arguments, from a file or standard input; after -- they
// may start with a dash, and even name a subcommand.
TEST(ScriptHostOptionsTest, ArgumentsReachTheScript) {
  const std::string script = WriteTemp("echo.mox", kEcho);
  auto r = Cli({script, "HARBOR", "two words"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "2\n[HARBOR]\n[two words]\nHARBOR\n");

  r = Cli({script, "--", "-v", "--trace", "typelib"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "3\n[-v]\n[--trace]\n[typelib]\n-v\n");

  // Without --, typelib after a script would be the subcommand: refused rather than guessed.
  r = Cli({script, "typelib"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("put -- before it"), std::string::npos) << r.err;

  r = Cli({"-", "from-stdin"}, kEcho);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1\n[from-stdin]\nfrom-stdin\n");

  r = Cli({script});
  EXPECT_EQ(r.out, "0\n");

  // Without --, a dash word is an option the host does not know.
  r = Cli({script, "-v"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("-v"), std::string::npos) << r.err;

  r = Cli({"-e", "Print Arguments(1)"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "-e:1: Arguments: Subscript out of range: Arguments(1), the script was given 0 "
            "arguments (0x800A0009)\n");
  r = Cli({"-e", "Arguments(1) = 2"});
  EXPECT_EQ(r.status, 1);
}

// Quit ends the script at once with its status, past On Error Resume Next and from inside
// procedures; a status outside 0 to 255 is an error.
TEST(ScriptHostOptionsTest, QuitSetsTheExitStatus) {
  auto r = Cli({"-e", "Print 1\nQuit 3\nPrint 2"});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "1\n");
  r = Cli({"-e", "On Error Resume Next\nSub S\n  Quit(7)\nEnd Sub\nS\nPrint \"after\""});
  EXPECT_EQ(r.status, 7);
  EXPECT_EQ(r.out, "");
  r = Cli({"-e", "Quit\nPrint 2"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  r = Cli({"-"}, "Quit Arguments.Count");
  EXPECT_EQ(r.status, 0);
  r = Cli({"-", "a", "b"}, "Quit Arguments.Count");
  EXPECT_EQ(r.status, 2);
  r = Cli({"-e", "Quit 256"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "-e:1: Quit: the exit status must be 0 to 255, not 256 (0x800A0005)\n");
}

// --format json prints one document per Print: scalars, arrays, dates in ISO 8601, objects as
// their class and properties; text stays the default.
TEST(ScriptHostOptionsTest, JsonFormat) {
  auto r = Cli({"--format", "json", "-e",
                "Print 42\nPrint \"a\", True, Empty\nPrint #2026-12-07 10:00#\n"
                "Print Array(1, Array(\"x\"))\nPrint\n"
                "Print GetObject(\"WinNT://HARBOR/amara,user\")"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  std::vector<nlohmann::json> docs;
  while (std::getline(lines, line)) docs.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(docs.size(), 5u) << r.out;
  EXPECT_EQ(docs[0], 42);
  EXPECT_EQ(docs[1], nlohmann::json::parse(R"(["a", true, null])"));
  EXPECT_EQ(docs[2], "2026-12-07T10:00:00");
  EXPECT_EQ(docs[3], nlohmann::json::parse(R"([1, ["x"]])"));
  EXPECT_EQ(docs[4]["class"], "moxUser");
  EXPECT_EQ(docs[4]["properties"]["FullName"], "Amara Okafor");
  EXPECT_EQ(docs[4]["properties"]["UserName"], "amara");
  EXPECT_EQ(docs[4]["properties"]["Groups"], nlohmann::json::parse(R"({"class": "moxGroups"})"));

  EXPECT_EQ(Cli({"-e", "Print #2026-12-07 10:00#"}).out, "12/7/2026 10:00:00 AM\n");
  auto bad = Cli({"--format", "xml", "-e", "Print 1"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("xml"), std::string::npos) << bad.err;
}

// An error inside nested procedures shows each running procedure and its line, innermost first.
TEST(ScriptHostOptionsTest, ErrorsInProceduresShowTheCallStack) {
  const std::string script = WriteTemp(
      "stack.mox",
      "Sub Outer(x)\n  Print Inner(x)\nEnd Sub\nFunction Inner(y)\n  Inner = 1 / y\nEnd Function\n"
      "Outer 1\nOuter 0\n");
  auto r = Cli({script});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "1\n");
  EXPECT_EQ(r.err, script + ":5: Division by zero (0x800A000B)\n  at Inner (" + script +
                       ":5)\n  at Outer (" + script + ":2)\n  at top level (" + script + ":8)\n");
}

}  // namespace
}  // namespace moxtrel::script
