// Reading smb.conf text and smbstatus output, and the checks that guard what the Samba backend
// writes; no server needed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "moxtrel/backends/samba/share_mapping.h"
#include "moxtrel/backends/samba/smb_conf_text.h"
#include "moxtrel/backends/samba/smb_status.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using namespace backends::samba;

// Comments, continuation lines, a section given twice, parameter names spelt loosely, and lines
// before any section (which belong to [global]).
TEST(SambaConfTextTest, ParsesAsSambaReadsIt) {
  const auto s = ParseSmbConf(
      "workgroup = HOME\n"
      "# a comment\n; another\n"
      "[Docs]\n\tpath = /srv/docs\n\tcomment = Long \\\n   text\n"
      "[global]\n  Registry_Shares = Yes\n"
      "[docs]\n  MaxConnections = 4\n  no equals sign here\n"
      "[print$]\nprintable = yes\n");
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].name, "global");
  EXPECT_EQ(*s[0].Find("workgroup"), "HOME");
  EXPECT_TRUE(ParamTrue(*s[0].Find("registry shares")));
  EXPECT_EQ(s[1].name, "Docs");
  EXPECT_EQ(*s[1].Find("path"), "/srv/docs");
  EXPECT_EQ(*s[1].Find("comment"), "Long text");
  const ShareInfo docs = ShareFromSection(s[1], true);
  EXPECT_EQ(docs.max_users, 4);
  EXPECT_FALSE(IsFileShare(s[0]));
  EXPECT_TRUE(IsFileShare(s[1]));
  EXPECT_FALSE(IsFileShare(s[2]));  // a print share
  EXPECT_EQ(MaxUsersFromParam(nullptr), -1);
  const std::string zero = "0", junk = "12x";
  EXPECT_EQ(MaxUsersFromParam(&zero), -1);
  EXPECT_EQ(MaxUsersFromParam(&junk), -1);

  // net prints one line per parameter: there a trailing backslash is the value's own.
  const auto net = ParseNetOutput("[Docs]\n\tcomment = C:\\Shares\\\n\tmax connections = 3\n");
  ASSERT_EQ(net.size(), 1u);
  EXPECT_EQ(*net[0].Find("comment"), "C:\\Shares\\");
  EXPECT_EQ(*net[0].Find("max connections"), "3");
}

// Included files are read in place; a missing include, the registry and substituted paths are
// skipped; a file that cannot be read is an error naming it.
TEST(SambaConfTextTest, FollowsIncludes) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("moxtrel-smbconf-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "main.conf")
      << "[global]\ninclude = registry\ninclude = " << (dir / "more.conf").string()
      << "\ninclude = /nonexistent/x.conf\ninclude = /etc/%m.conf\n"
      << "[a]\npath = /a\n";
  std::ofstream(dir / "more.conf") << "[b]\npath = /b\n";
  const auto s = ReadSmbConf((dir / "main.conf").string());
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[1].name, "b");
  EXPECT_EQ(s[2].name, "a");
  EXPECT_EQ(ErrorCodeOf([&] { ReadSmbConf((dir / "none.conf").string()); }),
            static_cast<int32_t>(errc::kNoSuchObject));
  std::filesystem::remove_all(dir);
}

// Connections are counted per share without regard to case; other text is an error.
TEST(SambaConfTextTest, CountsConnectionsFromSmbstatus) {
  const std::string json =
      R"({"tcons": {"1": {"service": "docs"}, "2": {"service": "DOCS"}, "3": {"service": "x"},
                    "4": {"machine": "no service"}}})";
  EXPECT_EQ(CountConnections(json, "Docs"), 2);
  EXPECT_EQ(CountConnections(R"({"timestamp": "now"})", "docs"), 0);
  EXPECT_EQ(ErrorCodeOf([] { CountConnections("not json", "docs"); }),
            static_cast<int32_t>(errc::kFail));
}

// What would break smb.conf's syntax, name another share, or change meaning is refused.
TEST(SambaConfTextTest, ChecksNamesAndValues) {
  const auto code = [](auto f) { return ErrorCodeOf(f); };
  const int32_t bad_name = static_cast<int32_t>(errc::kInvalidName);
  const int32_t bad_arg = static_cast<int32_t>(errc::kInvalidArg);
  for (const std::u16string& name :
       std::vector<std::u16string>{u"", u"a]b", u"[x", u"a=b", u"a\nb", u"50%", u"a/b", u" lead",
                                   u"GLOBAL", u"homes", u"IPC$", std::u16string(81, u'x')}) {
    EXPECT_EQ(code([&] { CheckShareName(name); }), bad_name) << ToUtf8(name);
  }
  EXPECT_EQ(code([] { CheckShareName(std::u16string(80, u'x')); }), 0);
  EXPECT_EQ(code([] { CheckShareName(u"Team Data-2"); }), 0);
  for (const std::u16string& path : std::vector<std::u16string>{
           u"", u"relative", u"/tmp/%U", u"/tmp\n[evil]", u"/nonexistent/x"}) {
    EXPECT_EQ(code([&] { CheckSharePath(path); }), bad_arg) << ToUtf8(path);
  }
  EXPECT_EQ(code([] { CheckSharePath(u"/tmp"); }), 0);
  EXPECT_EQ(code([] { CheckSharePath(u"/tmp\\"); }), bad_arg);
  EXPECT_EQ(code([] { CheckComment(u"two\nlines"); }), bad_arg);
  for (const std::u16string& comment : std::vector<std::u16string>{
           u"%U", u"a%b", u"%%", u" a", u"a ", std::u16string(1, char16_t{0xDC00})}) {
    EXPECT_EQ(code([&] { CheckComment(comment); }), bad_arg) << ToUtf8(comment);
  }
  for (const std::u16string& comment :
       std::vector<std::u16string>{u"", u"50% off", u"100%", u"C:\\", u"; x", u"\U0001F600"}) {
    EXPECT_EQ(code([&] { CheckComment(comment); }), 0) << ToUtf8(comment);
  }
  EXPECT_EQ(code([] { CheckComment(std::u16string(257, u'c')); }), bad_arg);
  EXPECT_EQ(MaxUsersParam(-1, u"s"), "0");
  EXPECT_EQ(MaxUsersParam(7, u"s"), "7");
  EXPECT_EQ(code([] { MaxUsersParam(0, u"s"); }), bad_arg);
  EXPECT_EQ(code([] { MaxUsersParam(-5, u"s"); }), bad_arg);
}

}  // namespace
}  // namespace moxtrel::testing
