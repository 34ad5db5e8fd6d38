#include <gtest/gtest.h>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "script_runner.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

class GetObjectTest : public DirectoryTest {
 protected:
  GetObjectTest() {
    const auto corp = build.AddDomain(u"CORP");
    build.AddUser(corp, u"alice", {{u"FullName", u"Alice"}});
    build.AddGroup(corp, u"Sales");
    const auto pc1 = build.AddComputer(corp, u"PC1");
    build.AddUser(pc1, u"lab");
    build.AddGroup(pc1, u"Admins");
    build.AddShare(pc1, u"Public", {{u"Path", u"D:\\public"}});
    build.AddService(pc1, u"Spooler");
    const auto laser = build.AddPrintQueue(pc1, u"Laser");
    job = build.AddPrintJob(laser, {{u"User", u"alice"}, {u"Description", u"a.pdf"}});
  }
  ScriptResult Run(const std::string& text) { return RunScript(text, dir); }

  std::u16string job;
};

// Each kind of path gives the object model's class for it, bound as Find or Name would bind
// it, whichever path form names the object.
TEST_F(GetObjectTest, EveryKindOfPathGivesItsClassBound) {
  const std::pair<const char*, const char*> cases[] = {
      {"WinNT://CORP,domain", "moxDomain CORP"},
      {"WinNT://CORP", "moxDomain CORP"},
      {"WinNT://CORP/PC1,computer", "moxServer PC1"},
      {"WinNT://PC1,computer", "moxServer PC1"},
      {"WinNT://CORP/alice,user", "moxUser alice"},
      {"WinNT://corp/ALICE", "moxUser alice"},
      {"WinNT://CORP/PC1/lab,user", "moxUser lab"},
      {"WinNT://CORP/Sales,group", "moxGroup Sales"},
      {"WinNT://CORP/PC1/Admins,group", "moxGroup Admins"},
      {"WinNT://CORP/PC1/Spooler,service", "moxService Spooler"},
      {"WinNT://CORP/PC1/LanmanServer/Public,FileShare", "moxFileShare Public"},
      {"WinNT://PC1/LanmanServer/Public", "moxFileShare Public"},
      {"WinNT://CORP/PC1/Laser,PrintQueue", "moxPrintQueue Laser"},
  };
  for (const auto& [path, expected] : cases) {
    auto r = Run(std::string("Set o = GetObject(\"") + path +
                 "\")\nIf TypeName(o) = \"moxUser\" Then n = o.UserName Else n = o.Name\n"
                 "Print TypeName(o), n\n");
    EXPECT_EQ(r.error, "") << path;
    EXPECT_EQ(r.out, std::string(expected) + "\n") << path;
  }
  // Bound objects read and write the directory as hand-made ones do.
  auto r =
      Run("Set u = GetObject(\"WinNT://CORP/alice,user\")\nPrint u.FullName\nu.FullName = \"A L\"\n"
          "Set u2 = New moxUser\nu2.Find \"alice\", \"CORP\", moxGlobal\nPrint u2.FullName\n"
          "Print GetObject(\"WinNT://CORP/PC1/lab,user\").UserType = moxLocal\n"
          "Print GetObject(\"WinNT://CORP/alice,user\").UserType = moxGlobal\n"
          "Print GetObject(\"WinNT://PC1/LanmanServer/Public,FileShare\").Path\n"
          "Print GetObject(\"WinNT://CORP,domain\").Users.Count\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "Alice\nA L\nTrue\nTrue\nD:\\public\n1\n");

  r = Run("Set j = GetObject(\"" + ToUtf8(job) + "\")\nPrint TypeName(j), j.User, j.Description\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "moxPrintJob alice a.pdf\n");
}

// Paths that are malformed, name nothing, or name the file service are errors that name the
// path; On Error Resume Next traps them.
TEST_F(GetObjectTest, BadPathsAreErrorsNamingThePath) {
  auto r = Run("Set o = GetObject(\"WinNT://CORP/zed,user\")\n");
  EXPECT_EQ(r.code, static_cast<int32_t>(errc::kNoSuchObject)) << r.error;
  EXPECT_EQ(r.error.rfind("t.mox:1: GetObject: no object at \"WinNT://CORP/zed,user\": ", 0), 0u)
      << r.error;

  r = Run("Set o = GetObject(\"LDAP://CORP/alice\")\n");
  EXPECT_EQ(r.code, static_cast<int32_t>(errc::kBadPathname));
  EXPECT_NE(r.error.find("\"LDAP://CORP/alice\" is not a directory path"), std::string::npos)
      << r.error;

  r = Run("Set o = GetObject(\"WinNT://CORP/alice,frob\")\n");
  EXPECT_EQ(r.code, static_cast<int32_t>(errc::kUnknownObject)) << r.error;
  EXPECT_NE(r.error.find("\"WinNT://CORP/alice,frob\" is malformed"), std::string::npos) << r.error;

  r = Run("Set o = GetObject(\"WinNT://CORP/Sales,user\")\n");
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.error.find("WinNT://CORP/Sales,user"), std::string::npos) << r.error;

  r = Run("Set o = GetObject(\"WinNT://PC1/LanmanServer\")\n");
  EXPECT_EQ(r.code, static_cast<int32_t>(errc::kNotSupported)) << r.error;
  EXPECT_NE(r.error.find("file service"), std::string::npos) << r.error;

  r = Run(
      "On Error Resume Next\nSet o = GetObject(\"WinNT://\")\nPrint Hex(Err.Number) <> \"0\"\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.out, "True\n");
}

}  // namespace
}  // namespace moxtrel::testing
