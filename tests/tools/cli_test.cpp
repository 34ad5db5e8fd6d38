#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"
#include "cli_runner.h"
#include "moxtrel/version.h"
#include "prompt/repl.h"
#include "script/script_error.h"
#include "script/script_limits.h"

namespace moxtrel::script {
namespace {

// Scripts that run, fail to parse or fail at run time end with 0, 1 and 1, and messages
// that name the file and line.
TEST(CliTest, ScriptOutcomes) {
  auto ok = Cli({WriteTemp("ok.mox", "Print \"hello\", 1 + 1\n")});
  EXPECT_EQ(ok.status, kExitOk);
  EXPECT_EQ(ok.out, "hello 2\n");

  const std::string bad = WriteTemp("bad.mox", "Print 1\nIf x Print 2\n");
  auto syntax = Cli({bad});
  EXPECT_EQ(syntax.status, kExitScriptError);
  EXPECT_EQ(syntax.out, "");  // nothing runs when the script does not parse
  EXPECT_EQ(syntax.err, bad + ":2:6: expected 'Then' after the If condition, found 'Print'\n");

  auto runtime = Cli({"-e", "Set u = New moxUser\nu.Frob 1"});
  EXPECT_EQ(runtime.status, kExitScriptError);
  EXPECT_EQ(runtime.err.rfind("-e:2: u.Frob: ", 0), 0u) << runtime.err;

  auto piped = Cli({}, "Print 40 + 2\n");
  EXPECT_EQ(piped.status, kExitOk);
  EXPECT_EQ(piped.out, "42\n");
}

// Usage mistakes end with 2 and say what is wrong.
TEST(CliTest, UsageErrors) {
  auto missing = Cli({"/no/such/dir/tour.mox"});
  EXPECT_EQ(missing.status, kExitUsage);
  EXPECT_EQ(missing.err,
            "moxtrel: cannot read script /no/such/dir/tour.mox: No such file or directory\n");

  auto option = Cli({"--frobnicate"});
  EXPECT_EQ(option.status, kExitUsage);
  EXPECT_NE(option.err.find("--frobnicate"), std::string::npos);

  auto both = Cli({"x.mox", "-e", "Print 1"});
  EXPECT_EQ(both.status, kExitUsage);

  // A folder or an endless device given as the script is refused with the system's words or
  // the size limit, never read until memory runs out.
  auto folder = Cli({"/"});
  EXPECT_EQ(folder.status, kExitUsage);
  EXPECT_EQ(folder.err, "moxtrel: cannot read script /: Is a directory\n");
  auto endless = Cli({"/dev/zero"});
  EXPECT_EQ(endless.status, kExitUsage);
  EXPECT_NE(endless.err.find("/dev/zero is larger than 16 MiB"), std::string::npos) << endless.err;
  auto piped = Cli({}, std::string(kMaxScriptBytes + 1, '\n'));
  EXPECT_EQ(piped.status, kExitUsage);
  EXPECT_NE(piped.err.find("standard input is larger than 16 MiB"), std::string::npos);

  auto help = Cli({"--help"});
  EXPECT_EQ(help.status, kExitOk);
  EXPECT_NE(help.out.find("--directory"), std::string::npos);
}

// A directory file that is not JSON, breaks the format's rules, or is missing ends with 2;
// a good one seeds the directory the script sees.
TEST(CliTest, DirectoryFiles) {
  auto not_json =
      Cli({"--directory", WriteTemp("broken.json", "{ \"domains\": [ }"), "-e", "Print 1"});
  EXPECT_EQ(not_json.status, kExitUsage);
  EXPECT_EQ(not_json.out, "");
  EXPECT_NE(not_json.err.find("cannot load directory"), std::string::npos) << not_json.err;
  EXPECT_NE(not_json.err.find("broken.json:1"), std::string::npos) << not_json.err;

  auto rules = Cli({"--directory",
                    WriteTemp("dup.json",
                              "{\"domains\": [{\"name\": \"D\", \"users\": [\n"
                              "{\"name\": \"ann\"}, {\"name\": \"ANN\"}]}]}"),
                    "-e", "Print 1"});
  EXPECT_EQ(rules.status, kExitUsage);
  EXPECT_NE(rules.err.find("dup.json:2"), std::string::npos) << rules.err;

  auto absent = Cli({"--directory", "/no/such/seed.json", "-e", "Print 1"});
  EXPECT_EQ(absent.status, kExitUsage);

  auto folder = Cli({"--directory", "/", "-e", "Print 1"});
  EXPECT_EQ(folder.status, kExitUsage);
  EXPECT_NE(folder.err.find("Is a directory"), std::string::npos) << folder.err;

  auto good =
      Cli({"--directory",
           WriteTemp("good.json",
                     "{\"domains\": [{\"name\": \"D\", \"users\": [{\"name\": \"ann\"}]}]}"),
           "-e", "Set d = New moxDomain : d.Name = \"D\" : Print d.Users.Count"});
  EXPECT_EQ(good.status, kExitOk) << good.err;
  EXPECT_EQ(good.out, "1\n");
}

// Scripts saved by other editors, a script on standard input, and output that cannot be written.
TEST(CliTest, EncodingsStandardInputAndFailedOutput) {
  auto bom = Cli({WriteTemp("bom.mox", "\xEF\xBB\xBFPrint 1 + 1\n")});
  EXPECT_EQ(bom.status, kExitOk) << bom.err;
  EXPECT_EQ(bom.out, "2\n");
  for (const char* mark : {"\xFF\xFE", "\xFE\xFF"}) {
    auto wide = Cli({WriteTemp("wide.mox", std::string(mark) + "P\0r\0")});
    EXPECT_EQ(wide.status, kExitUsage);
    EXPECT_NE(wide.err.find("UTF-16; save it as UTF-8"), std::string::npos) << wide.err;
  }
  auto piped = Cli({"-"}, "Print \"from stdin\"\n");
  EXPECT_EQ(piped.status, kExitOk) << piped.err;
  EXPECT_EQ(piped.out, "from stdin\n");

  struct Refusing : std::streambuf {
    int overflow(int) override { return traits_type::eof(); }
  } refusing;
  std::ostream out(&refusing);
  std::istringstream in;
  std::ostringstream err;
  const char* argv[] = {"moxtrel", "-e", "Print 1"};
  EXPECT_EQ(RunCli(3, argv, in, out, err, false), kExitScriptError);
  EXPECT_NE(err.str().find("cannot write to standard output"), std::string::npos) << err.str();
}

// Under --format json every error is one JSON object on one line of standard error, with the
// code a script would see in Err.Number, what failed, the description, the file and the line
// (null where there is none); nothing else is written there.
TEST(CliTest, ErrorsAsJson) {
  auto parsed = [](const CliResult& r) {
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    const auto doc = nlohmann::json::parse(r.err);
    for (const char* key : {"code", "source", "description", "file", "line"}) {
      EXPECT_TRUE(doc.contains(key)) << key << " in " << r.err;
    }
    return doc;
  };
  const std::string bad = WriteTemp("bad.mox", "Print 1\nIf x Print 2\n");
  auto syntax = Cli({"--format", "json", bad});
  EXPECT_EQ(syntax.status, kExitScriptError);
  EXPECT_EQ(
      parsed(syntax),
      nlohmann::json({{"code", static_cast<int32_t>(kSyntaxError)},
                      {"source", "syntax"},
                      {"description", "expected 'Then' after the If condition, found 'Print'"},
                      {"file", bad},
                      {"line", 2},
                      {"column", 6}}));

  auto runtime = Cli({"--format=json", "-e", "Sub Inner\n  x = 1 / 0\nEnd Sub\nPrint 1\nInner\n"});
  EXPECT_EQ(runtime.status, kExitScriptError);
  EXPECT_EQ(runtime.out, "1\n");
  auto error = parsed(runtime);
  EXPECT_EQ(error["code"], static_cast<int32_t>(kDivisionByZero));
  EXPECT_EQ(error["description"], "Division by zero");
  EXPECT_EQ(error["file"], "-e");
  EXPECT_EQ(error["line"], 2);
  EXPECT_EQ(error["stack"],
            nlohmann::json::parse(
                R"([{"procedure": "Inner", "line": 2}, {"procedure": "", "line": 5}])"));

  auto member = Cli({"--format", "json", "-e", "Set u = New moxUser\nu.Frob 1"});
  EXPECT_EQ(parsed(member)["source"], "u.Frob");

  auto missing = Cli({"--format", "json", "/no/such/dir/tour.mox"});
  EXPECT_EQ(missing.status, kExitUsage);
  EXPECT_EQ(parsed(missing),
            nlohmann::json({{"code", nullptr},
                            {"source", "script"},
                            {"description",
                             "cannot read script /no/such/dir/tour.mox: No such file or directory"},
                            {"file", "/no/such/dir/tour.mox"},
                            {"line", nullptr}}));

  auto option = Cli({"--format", "json", "--frobnicate"});
  EXPECT_EQ(option.status, kExitUsage);
  EXPECT_EQ(parsed(option)["source"], "usage");

  const std::string seed = WriteTemp("dup.json",
                                     "{\"domains\": [{\"name\": \"D\", \"users\": [\n"
                                     "{\"name\": \"ann\"}, {\"name\": \"ANN\"}]}]}");
  auto rules = Cli({"--format", "json", "--directory", seed, "-e", "Print 1"});
  EXPECT_EQ(rules.status, kExitUsage);
  error = parsed(rules);
  EXPECT_EQ(error["source"], "directory");
  EXPECT_EQ(error["file"], seed);
  EXPECT_EQ(error["line"], 2);
  EXPECT_NE(error["description"].get<std::string>().find("already used"), std::string::npos);

  const std::string config =
      WriteTemp("bad.toml", "[computers.PC1]\naccounts = \"files\"\nprinting = \"lpd\"\n");
  auto configured = Cli({"--format", "json", "--config", config, "-e", "Print 1"});
  EXPECT_EQ(configured.status, kExitUsage);
  error = parsed(configured);
  EXPECT_EQ(error["source"], "configuration");
  EXPECT_EQ(error["file"], config);
  EXPECT_EQ(error["line"], 3);
  EXPECT_EQ(error["description"],
            "computers.PC1.printing: unknown printing backend \"lpd\" (expected \"cups\")");

  // The same mistakes in text form are unchanged.
  EXPECT_EQ(Cli({"/no/such/dir/tour.mox"}).err,
            "moxtrel: cannot read script /no/such/dir/tour.mox: No such file or directory\n");
}

// The built-in sample directory loads, and the type library prints in both forms.
TEST(CliTest, SampleDirectoryAndTypeLibrary) {
  auto sample = Cli({"-e", "Set d = New moxDomain : d.Name = \"HARBOR\" : Print d.Exists"});
  EXPECT_EQ(sample.status, kExitOk) << sample.err;
  EXPECT_EQ(sample.out, "True\n");

  auto text = Cli({"typelib"});
  EXPECT_EQ(text.status, kExitOk);
  EXPECT_EQ(text.out.rfind("library MoxtrelLib", 0), 0u);
  auto json = Cli({"typelib", "--json"});
  EXPECT_EQ(json.status, kExitOk);
  EXPECT_EQ(json.out.front(), '{');

  // One class alone, found without regard to case; an unknown one names those there are.
  auto user = Cli({"typelib", "MOXUSER"});
  EXPECT_EQ(user.status, kExitOk) << user.err;
  EXPECT_EQ(user.out.rfind("interface _moxUser", 0), 0u) << user.out;
  EXPECT_NE(user.out.find("coclass moxUser"), std::string::npos);
  EXPECT_EQ(user.out.find("coclass moxGroup"), std::string::npos);
  auto status = Cli({"typelib", "enmoxServiceStatus"});
  EXPECT_NE(status.out.find("\"mox SVCS Paused\" = 7"), std::string::npos) << status.out;
  auto unknown = Cli({"typelib", "moxUsr"});
  EXPECT_EQ(unknown.status, kExitUsage);
  EXPECT_NE(unknown.err.find("moxUsr"), std::string::npos);
  EXPECT_NE(unknown.err.find("moxUser"), std::string::npos);
  EXPECT_EQ(Cli({"typelib", "moxUser", "--json"}).status, kExitUsage);

  auto version = Cli({"--version"});
  EXPECT_EQ(version.status, kExitOk);
  EXPECT_EQ(version.out, std::string("moxtrel ") + MOXTREL_VERSION + "\n");
}

// The prompt gathers a block until it closes, keeps going after mistakes, and lists members.
// The history lives under XDG_STATE_HOME, else under HOME.
TEST(ReplTest, HistoryPath) {
  const char* state = std::getenv("XDG_STATE_HOME");
  const std::string saved = state ? state : "";
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("XDG_STATE_HOME", "/tmp/state", 1);
  EXPECT_EQ(HistoryPath(), "/tmp/state/moxtrel/history");
  setenv("XDG_STATE_HOME", "relative", 1);  // not absolute: ignored, as the convention says
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(HistoryPath(), "/home/someone/.local/state/moxtrel/history");
  if (state) {
    setenv("XDG_STATE_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_STATE_HOME");
  }
  setenv("HOME", home.c_str(), 1);
}

TEST(ReplTest, BlocksCommandsAndMistakes) {
  std::ostringstream out, err;
  Interpreter interpreter({.out = &out, .directory = nullptr, .pump = nullptr});
  ReplSession s(interpreter, out, err);
  EXPECT_FALSE(s.Feed("For i = 1 To 2"));
  EXPECT_FALSE(s.Feed("  Print i"));
  EXPECT_TRUE(s.Feed("Next"));
  EXPECT_TRUE(s.Feed("? 6 * 7"));
  EXPECT_TRUE(s.Feed("Print nope"));
  EXPECT_TRUE(s.Feed("If x Print"));
  EXPECT_EQ(out.str(), "1\n2\n42\n");
  EXPECT_NE(err.str().find("<input 3>:1: nope: Variable is undefined"), std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find("<input 4>:1:6: expected 'Then'"), std::string::npos) << err.str();

  out.str("");
  s.Feed(":members moxUser");
  EXPECT_NE(out.str().find("_moxUser"), std::string::npos);
  EXPECT_NE(out.str().find("AddToGroup"), std::string::npos);
  out.str("");
  s.Feed("Set u = CreateObject(\"moxUser\")");
  s.Feed(":members u");
  EXPECT_NE(out.str().find("Find"), std::string::npos) << out.str();
  s.Feed(":members Err");
  EXPECT_NE(out.str().find("Description"), std::string::npos);
  out.str("");
  EXPECT_FALSE(s.Feed("Function Twice(n)"));
  EXPECT_FALSE(s.Feed("  Twice = n * 2"));
  EXPECT_TRUE(s.Feed("End Function"));
  EXPECT_TRUE(s.Feed("? Twice(21)"));
  EXPECT_EQ(out.str(), "42\n");

  // The words a shell user types, and the end of input inside an open block.
  out.str("");
  EXPECT_TRUE(s.Feed(" Help "));
  EXPECT_NE(out.str().find(":members"), std::string::npos);
  EXPECT_FALSE(s.Feed("If True Then"));
  err.str("");
  s.End();
  EXPECT_NE(err.str().find("the block was dropped"), std::string::npos) << err.str();
  EXPECT_TRUE(s.Feed("Print 1"));  // the dropped block left nothing behind
  EXPECT_FALSE(s.quit());
  EXPECT_TRUE(s.Feed("EXIT"));
  EXPECT_TRUE(s.quit());
  s.Feed(":quit");
  EXPECT_TRUE(s.quit());
}

}  // namespace
}  // namespace moxtrel::script
