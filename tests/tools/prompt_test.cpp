#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "prompt/completion.h"
#include "prompt/object_printer.h"
#include "prompt/repl.h"
#include "script/interpreter.h"
#include "script_runner.h"
#include "support/directory_fixture.h"
#include "support/faults.h"

namespace moxtrel::testing {
namespace {

using script::Complete;
using script::ReplSession;

class PromptTest : public DirectoryTest {
 protected:
  PromptTest() {
    corp = build.AddDomain(u"CORP");
    build.AddUser(corp, u"alice", {{u"FullName", u"Alice"}});
    build.AddUser(corp, u"bob");
  }
  // What one line printed, to standard output and to standard error.
  std::pair<std::string, std::string> Line(const std::string& line) {
    out.str("");
    err.str("");
    session.Feed(line);
    return {out.str(), err.str()};
  }
  std::vector<std::string> Candidates(const std::string& before) {
    return Complete(before, interpreter).candidates;
  }

  std::u16string corp;
  std::ostringstream out, err;
  script::Interpreter interpreter{{.out = &out, .directory = dir, .pump = nullptr}};
  ReplSession session{interpreter, out, err};
};

bool Has(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

// A bare expression prints its value; statements stay statements; a Sub or method that gives
// nothing prints nothing; a mistake in an expression reads as the statement's mistake would.
TEST_F(PromptTest, BareExpressionsPrintTheirValue) {
  EXPECT_EQ(Line("1+2").first, "3\n");
  EXPECT_EQ(Line("x = 5").first, "");
  EXPECT_EQ(Line("x").first, "5\n");
  EXPECT_EQ(Line("x * 2 & \"!\"").first, "10!\n");
  EXPECT_EQ(Line("Set d = New moxDomain").first, "");
  EXPECT_EQ(Line("d.Name = \"CORP\"").first, "");
  EXPECT_EQ(Line("d.Name").first, "CORP\n");
  EXPECT_EQ(Line("d.Users.Count").first, "2\n");
  EXPECT_EQ(Line("UCase(\"mox\")").first, "MOX\n");
  EXPECT_EQ(Line("Sub Hello : Print \"hello\" : End Sub").second, "");
  EXPECT_EQ(Line("Hello").first, "hello\n");  // the Sub's own output, nothing after it
  // `Foo (1), 2` passes two arguments: a statement, not the value of Foo(1).
  Line("Sub Two(a, b) : Print a + b : End Sub");
  EXPECT_EQ(Line("Two (1), 2").first, "3\n");
  auto [o, e] = Line("nope + 1");
  EXPECT_EQ(o, "");
  EXPECT_NE(e.find(":1: nope: Variable is undefined"), std::string::npos) << e;
  EXPECT_NE(Line("1 +").second.find("expected"), std::string::npos);
  // Quit leaves the prompt with its status, as it ends a script.
  EXPECT_FALSE(session.quit());
  Line("Quit 3");
  EXPECT_TRUE(session.quit());
  EXPECT_EQ(interpreter.QuitStatus(), 3);
}

// An object, bare or through Print at the prompt, shows its class and its readable
// properties one a line; a property whose get fails shows the error in its place and the
// rest still follow. A script's Print keeps the short form.
TEST_F(PromptTest, ObjectsShowTheirProperties) {
  Line("Set u = New moxUser");
  Line("u.Find \"alice\", \"CORP\", moxGlobal");
  FailOn(layer->Faults(), u"IADsUser.FullName", {}, 1, /*persistent=*/true);
  const std::string shown = Line("u").first;
  EXPECT_EQ(shown.rfind("moxUser\n", 0), 0u) << shown;
  EXPECT_NE(shown.find("\n  UserName "), std::string::npos) << shown;
  EXPECT_NE(shown.find(": alice\n"), std::string::npos) << shown;
  const size_t full = shown.find("\n  FullName ");
  ASSERT_NE(full, std::string::npos) << shown;
  EXPECT_NE(shown.substr(full, shown.find('\n', full + 1) - full).find(": (error: "),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("AccountDisabled"), std::string::npos) << shown;  // after the failure
  EXPECT_EQ(Line("Print u").first, shown);
  EXPECT_EQ(Line("Print Nothing").first, "Nothing\n");
  EXPECT_EQ(RunScript("Set u = New moxUser\nPrint u\n", dir).out, "<moxUser>\n");
  const std::string err_shown = Line("Err").first;
  EXPECT_EQ(err_shown.rfind("ErrObject\n", 0), 0u) << err_shown;
  EXPECT_NE(err_shown.find("  Number"), std::string::npos) << err_shown;
}

// :members takes a class or any expression, sorts by name, keeps what a pattern matches, and
// gives parameters and types.
TEST_F(PromptTest, MembersOfExpressionsWithPatterns) {
  auto [all, none] = Line(":members moxUser");
  EXPECT_EQ(none, "");
  std::vector<std::string> lines;
  std::istringstream in(all);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_GT(lines.size(), 10u);
  EXPECT_EQ(lines[0], "_moxUser");
  EXPECT_TRUE(std::is_sorted(lines.begin() + 1, lines.end(), [](const auto& a, const auto& b) {
    return FoldCase(FromUtf8(a)) < FoldCase(FromUtf8(b));
  }));
  EXPECT_TRUE(Has(lines, "  FullName As String  [get, put]")) << all;
  const auto add = std::find_if(lines.begin(), lines.end(),
                                [](const auto& l) { return l.rfind("  AddToGroup(", 0) == 0; });
  ASSERT_NE(add, lines.end());
  EXPECT_NE(add->find(" As String"), std::string::npos) << *add;
  EXPECT_NE(add->find("[method]"), std::string::npos) << *add;

  Line("Set d = New moxDomain");
  Line("d.Name = \"CORP\"");
  EXPECT_EQ(Line(":members d.Users.Item(\"alice\") Full*").first,
            "_moxUser\n  FullName As String  [get, put]\n");
  EXPECT_EQ(Line(":members d *name").first, Line(":members moxDomain *name").first);
  EXPECT_NE(Line(":members d.Users").first.find("Count As Long"), std::string::npos);
  EXPECT_EQ(Line(":members Err N*").first, "ErrObject\n  Number (get, put): Long\n");
  EXPECT_NE(Line(":members d Zz*").first.find("no member matches Zz*"), std::string::npos);
  EXPECT_NE(Line(":members 6 * 7").second.find("holds Long, not an object"), std::string::npos);
  EXPECT_NE(Line(":members nosuch").second.find("no class or variable is named nosuch"),
            std::string::npos);
  EXPECT_NE(Line(":members d.Nope").second.find("Nope"), std::string::npos);
}

// Tab offers keywords, names in scope, built-ins, classes in CreateObject(" and after New,
// members along a chain of properties, and enum members in both spellings.
TEST_F(PromptTest, CompletionCandidates) {
  Line("myCounter = 1");
  Line("Set d = New moxDomain");
  Line("Set u = New moxUser");
  Line("Function Twice(n) : Twice = n * 2 : End Function");
  EXPECT_TRUE(Has(Candidates("Pri"), "Print"));
  EXPECT_TRUE(Has(Candidates("Sel"), "Select"));
  EXPECT_TRUE(Has(Candidates("Set o = GetOb"), "GetObject"));
  EXPECT_EQ(Candidates("Print myC"), std::vector<std::string>{"myCounter"});
  EXPECT_TRUE(Has(Candidates("x = Twi"), "Twice"));
  EXPECT_TRUE(Has(Candidates("x = UCa"), "UCase"));
  EXPECT_TRUE(Has(Candidates("x = CurrentC"), "CurrentComputer"));  // the global object
  const auto members = Complete("Print u.Ful", interpreter);
  EXPECT_EQ(members.start, 8u);
  EXPECT_EQ(members.candidates, std::vector<std::string>{"FullName"});
  EXPECT_TRUE(Has(Candidates("n = d.Users.Co"), "Count"));  // through the declared type
  EXPECT_TRUE(Has(Candidates("Err.Num"), "Number"));
  EXPECT_TRUE(Has(Candidates("Print LastF"), "LastFailure"));
  EXPECT_TRUE(Has(Candidates("Print LastFailure.Cal"), "Call"));
  EXPECT_TRUE(Candidates("zz.").empty());
  EXPECT_EQ(Candidates("Set x = CreateObject(\"moxUs"), std::vector<std::string>{"moxUser"});
  EXPECT_EQ(Candidates("Set x = CreateObject(\"Moxtrel.moxUse"),
            std::vector<std::string>{"moxUser"});
  EXPECT_TRUE(Has(Candidates("Set x = New moxDom"), "moxDomain"));
  EXPECT_TRUE(Candidates("Print \"moxUs").empty());  // any other string is text
  EXPECT_EQ(Candidates("x = moxGlo"), std::vector<std::string>{"moxGlobal"});
  EXPECT_EQ(Candidates("x = [mox Glo"), std::vector<std::string>{"mox Global]"});
  EXPECT_TRUE(Has(Candidates(":mem"), ":members"));
  EXPECT_TRUE(Has(Candidates(":members moxU"), "moxUser"));
  // Odd text gives no candidates or every one, never a failure.
  for (const char* odd :
       {"", ".", "..", "a..b", "[", "]", "\"", "CreateObject(\"", ":", ":members ",
        "x = \"a\" & [mox", "' comment u.", "\xff\xfe.", "u.Full.", "Err.Number."}) {
    const auto c = Complete(odd, interpreter);
    EXPECT_LE(c.start, std::string_view(odd).size()) << odd;
  }
  EXPECT_EQ(script::CommonPrefix({"FullName", "fullness"}), "FullN");
  EXPECT_EQ(script::CommonPrefix({"Name", "Number"}), "N");
}

}  // namespace
}  // namespace moxtrel::testing
