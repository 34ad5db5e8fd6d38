// A script reads why a library member returned False in LastFailure, and --trace prints each
// directory call's outcome and the member that trapped a failure.
#include <gtest/gtest.h>

#include <string>

#include "cli_runner.h"
#include "moxtrel/frame/trapped_failure.h"

namespace moxtrel::script {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(LastFailureTest, ScriptsReadWhyAddFindAndRemoveReturnedFalse) {
  const char* script =
      "Set d = New moxDomain : d.Name = \"HARBOR\"\n"
      "Print LastFailure.Number, LastFailure.Member = \"\"\n"
      "Print d.Users.Add(\"bad:name\")\n"
      "Print LastFailure.Member\n"
      "Print LastFailure.Source\n"
      "Print LastFailure.Number <> 0, LastFailure.Description <> \"\"\n"
      "Print InStr(LastFailure.Call, \"bad:name\") > 0\n"
      "LastFailure.Clear\n"
      "Print LastFailure.Number, LastFailure.Call = \"\"\n"
      "Set u = New moxUser\n"
      "Print u.Find(\"nobody\", \"HARBOR\", moxGlobal)\n"
      "Print LastFailure.Member, InStr(LastFailure.Call, \"nobody\") > 0\n"
      "Print d.Users.Remove(\"nobody\")\n"
      "Print LastFailure.Member, LastFailure.Source, LastFailure.Call = \"\"\n"
      "On Error Resume Next\n"
      "LastFailure.Number = 1\n"
      "Print Err.Number <> 0\n";
  auto r = Cli({"-e", script});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "0 True\nFalse\nmoxUsers.Add\nIADsContainer.Create\nTrue True\nTrue\n0 True\n"
            "False\nmoxUser.Find True\nFalse\nmoxUsers.Remove moxtrel True\nTrue\n")
      << r.err;
  ClearLastTrappedFailure();
}

TEST(LastFailureTest, TraceShowsOutcomesAndTrappingMembers) {
  auto r = Cli({"--trace", "-e",
                "Set d = New moxDomain : d.Name = \"HARBOR\" : Print d.Users.Add(\"bad:name\") : "
                "Print d.Users.Remove(\"nobody\")"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "False\nFalse\n");
  EXPECT_TRUE(Contains(r.err, "trace: DirectoryProvider.GetObject WinNT://HARBOR,domain -> ok\n"))
      << r.err;
  EXPECT_TRUE(Contains(r.err,
                       "trace: IADsContainer.Create WinNT://HARBOR (\"user\", "
                       "\"bad:name\") -> 0x"))
      << r.err;
  EXPECT_TRUE(Contains(r.err, "trace:   trapped by moxUsers.Add\n")) << r.err;
  EXPECT_TRUE(Contains(r.err, "trace: moxUsers.Remove trapped 0x")) << r.err;

  // Without --trace nothing is printed, and a later run's hook is its own.
  r = Cli({"-e", "Set d = New moxDomain : d.Name = \"HARBOR\" : Print d.Users.Remove(\"x\")"});
  EXPECT_EQ(r.out, "False\n");
  EXPECT_EQ(r.err, "");
  ClearLastTrappedFailure();
}

}  // namespace
}  // namespace moxtrel::script
