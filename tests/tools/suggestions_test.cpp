#include <gtest/gtest.h>

#include "cli_runner.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/near_names.h"
#include "moxtrel/frame/typelib.h"
#include "script/script_error.h"
#include "script/suggestions.h"
#include "script_runner.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

// The script host takes the shared rule under its own names.
using script::ClosestName;
using script::EditDistance;

// Distance counts edits without regard to case, a swap of neighbours as one; a name is offered
// only when it is close for its length.
TEST(SuggestionsTest, ClosestNameIsCloseForItsLength) {
  EXPECT_EQ(EditDistance(u"FullName", u"fullname"), 0u);
  EXPECT_EQ(EditDistance(u"FulName", u"FullName"), 1u);
  EXPECT_EQ(EditDistance(u"FullNmae", u"FullName"), 1u);
  EXPECT_EQ(EditDistance(u"", u"abc"), 3u);
  EXPECT_EQ(EditDistance(u"kitten", u"sitting"), 3u);

  const std::vector<std::u16string> names{u"Name", u"FullName", u"UserName", u"Groups"};
  EXPECT_EQ(ClosestName(u"fullnam", names), u"FullName");
  EXPECT_EQ(ClosestName(u"Nmae", names), u"Name");
  EXPECT_EQ(ClosestName(u"Xyz", names), std::nullopt);
  EXPECT_EQ(ClosestName(u"Name", names), std::nullopt);        // the name itself is no suggestion
  EXPECT_EQ(ClosestName(u"Grp", names), std::nullopt);         // 3 letters allow one edit
  EXPECT_EQ(ClosestName(u"Nam", {u"Name", u"Nap"}), u"Name");  // ties go to the first
  // Long names allow three edits at most, however long they are.
  EXPECT_EQ(ClosestName(u"PasswordDoesntExpireXXX", {u"PasswordDoesntExpire"}),
            u"PasswordDoesntExpire");
  EXPECT_EQ(ClosestName(u"PasswordDoesntExpireXXXX", {u"PasswordDoesntExpire"}), std::nullopt);
  EXPECT_EQ(ClosestName(u"", names), std::nullopt);
  // A huge name has nothing near it.
  EXPECT_EQ(ClosestName(std::u16string(1'000'000, u'N'), names), std::nullopt);
}

// Classes are matched without their library name and offered with it; only creatable classes
// are offered, and hidden members are never offered.
TEST(SuggestionsTest, ClosestClassKeepsTheLibraryName) {
  EXPECT_EQ(moxtrel::ClosestClassName(u"moxUsr"), u"moxUser");
  EXPECT_EQ(moxtrel::ClosestClassName(u"Moxtrel.moxUsr"), u"Moxtrel.moxUser");
  EXPECT_EQ(moxtrel::ClosestClassName(u"moxtrel.MOXGRUP"), u"moxtrel.moxGroup");
  EXPECT_EQ(moxtrel::ClosestClassName(u"moxUser"), std::nullopt);
  EXPECT_EQ(moxtrel::ClosestClassName(u"."), std::nullopt);
  const auto classes = moxtrel::CreatableClassNames();
  EXPECT_NE(std::find(classes.begin(), classes.end(), u"moxDomain"), classes.end());
  EXPECT_EQ(std::find(classes.begin(), classes.end(), u"moxUsers"), classes.end());

  const typelib::InterfaceInfo* users = typelib::Library().FindInterface(u"_moxUsers");
  ASSERT_NE(users, nullptr);
  const auto members = moxtrel::MemberNames(*users);
  EXPECT_NE(std::find(members.begin(), members.end(), u"Item"), members.end());
  EXPECT_EQ(std::find(members.begin(), members.end(), u"NewEnum"), members.end());  // hidden
  EXPECT_EQ(ClosestName(u"NewEnm", members), std::nullopt);
}

class ScriptSuggestionsTest : public DirectoryTest {
 protected:
  ScriptSuggestionsTest() {
    const auto corp = build.AddDomain(u"CORP");
    build.AddUser(corp, u"alice");
  }
  ScriptResult Run(const std::string& text) { return RunScript(text, dir); }
};

// Misspelt members, classes, enum members, variables and procedures name the closest real one;
// names with nothing close get the plain message.
TEST_F(ScriptSuggestionsTest, MisspeltNamesGetTheClosestMatch) {
  auto r = Run("Set u = New moxUser\nPrint u.FulName\n");
  EXPECT_EQ(r.code, static_cast<int32_t>(errc::kUnknownName));
  EXPECT_NE(r.error.find("(did you mean \"FullName\"?)"), std::string::npos) << r.error;
  r = Run("Set u = New moxUser\nu.Fnd \"alice\", \"CORP\", 2\n");
  EXPECT_NE(r.error.find("(did you mean \"Find\"?)"), std::string::npos) << r.error;
  r = Run("Set u = New moxUser\nPrint u.Zzzzzzz\n");
  EXPECT_EQ(r.error.find("did you mean"), std::string::npos) << r.error;

  r = Run("Set u = CreateObject(\"Moxtrel.moxUsr\")\n");
  EXPECT_EQ(r.code, static_cast<int32_t>(errc::kClassNotRegistered));
  EXPECT_NE(r.error.find("(did you mean \"Moxtrel.moxUser\"?)"), std::string::npos) << r.error;
  r = Run("Set g = New moxGrup\n");
  EXPECT_NE(r.error.find("(did you mean \"moxGroup\"?)"), std::string::npos) << r.error;

  r = Run("Print [mox Globl]\n");
  EXPECT_NE(r.error.find("(did you mean \"[mox Global]\"?)"), std::string::npos) << r.error;
  r = Run("Print moxGlobl\n");
  EXPECT_NE(r.error.find("(did you mean \"moxGlobal\"?)"), std::string::npos) << r.error;

  r = Run("total = 1\nPrint totl\n");
  EXPECT_EQ(r.error,
            "t.mox:2: totl: Variable is undefined: 'totl' (did you mean \"total\"?) (0x800A01F4)");
  r = Run("Sub Report(x)\nEnd Sub\nReprot 1\n");
  EXPECT_NE(r.error.find("(did you mean \"Report\"?)"), std::string::npos) << r.error;
  r = Run("Print UCas(\"a\")\n");
  EXPECT_NE(r.error.find("(did you mean \"UCase\"?)"), std::string::npos) << r.error;
  r = Run("Print Err.Numbr\n");
  EXPECT_NE(r.error.find("(did you mean \"Number\"?)"), std::string::npos) << r.error;
}

// `moxtrel typelib` with a misspelt class keeps its list of classes and adds the closest one.
TEST(SuggestionsTest, TypelibNamesTheClosestClass) {
  auto r = script::Cli({"typelib", "moxUsr"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("its classes are moxDomain"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("(did you mean \"moxUser\"?)\n"), std::string::npos) << r.err;
  r = script::Cli({"typelib", "enmoxServiceStatu"});
  EXPECT_NE(r.err.find("(did you mean \"enmoxServiceStatus\"?)"), std::string::npos) << r.err;
}

// A wrong argument count shows the member's signature: parameter names and types, optional
// ones bracketed, and the result type; the default-member retry still works.
TEST_F(ScriptSuggestionsTest, ArgumentCountErrorsShowTheSignature) {
  auto r = Run("Set u = New moxUser\nPrint u.Find(\"alice\")\n");
  EXPECT_EQ(r.code, static_cast<int32_t>(errc::kBadParamCount));
  EXPECT_NE(r.error.find("the signature is Find(sUserName As String, sParent As String, "
                         "lUserType As moxType) As Boolean"),
            std::string::npos)
      << r.error;
  r = Run("Set g = New moxGroup\ng.Find \"a\", \"b\", \"c\"\n");
  EXPECT_NE(r.error.find("the signature is Find("), std::string::npos) << r.error;
  // `d.Users("alice")` still goes to the collection's default member.
  r = Run("Set d = New moxDomain\nd.Name = \"CORP\"\nPrint d.Users(\"alice\").UserName\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "alice\n");
}

// Errors record the procedures that were running, innermost first with each one's line; an
// error outside any procedure has no stack.
TEST(ScriptCallStackTest, ErrorsRecordTheRunningProcedures) {
  std::ostringstream out;
  script::Interpreter interpreter({.out = &out, .directory = nullptr, .pump = nullptr});
  try {
    interpreter.Run(script::Parse(
        "Sub A\n  B 1\nEnd Sub\nSub B(n)\n  If n = 1 Then\n    Err.Raise 5\n  End If\nEnd Sub\n"
        "\nA\n",
        "s.mox"));
    FAIL() << "no error";
  } catch (const script::RuntimeError& e) {
    ASSERT_EQ(e.stack().size(), 3u);
    EXPECT_EQ(e.stack()[0].procedure, "B");
    EXPECT_EQ(e.stack()[0].line, 6);
    EXPECT_EQ(e.stack()[1].procedure, "A");
    EXPECT_EQ(e.stack()[1].line, 2);
    EXPECT_EQ(e.stack()[2].procedure, "");
    EXPECT_EQ(e.stack()[2].line, 10);
    EXPECT_EQ(e.FormatStack("s.mox"),
              "  at B (s.mox:6)\n  at A (s.mox:2)\n  at top level (s.mox:10)\n");
  }
  try {
    interpreter.Run(script::Parse("x = 1 / 0\n", "s.mox"));
    FAIL() << "no error";
  } catch (const script::RuntimeError& e) {
    EXPECT_TRUE(e.stack().empty());
    EXPECT_EQ(e.FormatStack("s.mox"), "");
  }
}

}  // namespace
}  // namespace moxtrel::testing
