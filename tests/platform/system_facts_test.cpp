#include "moxtrel/platform/system_facts.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/platform/fake_system_facts.h"
#include "moxtrel/platform/linux_system_facts.h"

namespace moxtrel::platform {
namespace {

// The first line a command prints, without its line end.
std::string FirstLineOf(const char* command) {
  std::string out;
  if (FILE* pipe = popen(command, "r")) {
    for (int c; (c = std::fgetc(pipe)) != EOF && c != '\n';) out.push_back(static_cast<char>(c));
    pclose(pipe);
  }
  return out;
}

std::string WriteConfig(const std::string& name, const std::string& text) {
  const std::string file = ::testing::TempDir() + name;
  std::ofstream(file) << text;
  return file;
}

// The Linux facts agree with the system's own tools.
TEST(LinuxSystemFactsTest, AgreesWithHostnameAndId) {
  auto facts = LinuxSystemFacts::Create();
  EXPECT_EQ(ToUtf8(facts->ComputerName()), FirstLineOf("hostname"));
  EXPECT_EQ(ToUtf8(facts->UserName()), FirstLineOf("id -un"));
}

// root is an administrator, nobody a guest, and an unknown account fails with a clear error.
TEST(LinuxSystemFactsTest, Privileges) {
  auto facts = LinuxSystemFacts::Create();
  EXPECT_EQ(facts->AccountPrivilege(u"", u"root"), 2);
  if (getpwnam("nobody") != nullptr) {
    EXPECT_EQ(facts->AccountPrivilege(u"", u"nobody"), 0);
  }
  try {
    facts->AccountPrivilege(u"", u"no-such-account-here");
    FAIL() << "no error raised";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.code(), static_cast<int32_t>(errc::kNoSuchObject));
    EXPECT_NE(e.description().find(u"no-such-account-here"), std::u16string::npos);
  }
  EXPECT_THROW(facts->AccountPrivilege(u"", std::u16string(u"ro\0ot", 5)), AutomationError);
}

// The controller is the first KDC of the default realm, whole however long, without its port;
// no realm set-up means no controller.
TEST(LinuxSystemFactsTest, ControllerFromRealmSetUp) {
  const std::string long_host(120, 'd');
  const auto file = WriteConfig("moxtrel_krb5.conf",
                                "# joined\n[libdefaults]\n  default_realm = CORP.EXAMPLE\n"
                                "[realms]\n  OTHER.EXAMPLE = {\n    kdc = other:88\n  }\n"
                                "  CORP.EXAMPLE = {\n    admin_server = admin\n    kdc = " +
                                    long_host + ".corp.example:88\n    kdc = second\n  }\n");
  EXPECT_EQ(LinuxSystemFacts::Create(file)->DomainController(),
            u"\\\\" + FromUtf8(long_host) + u".corp.example");

  const auto no_realm = WriteConfig("moxtrel_krb5_none.conf", "[realms]\n  X = {\n kdc = x\n }\n");
  EXPECT_EQ(LinuxSystemFacts::Create(no_realm)->DomainController(), std::nullopt);
  EXPECT_EQ(LinuxSystemFacts::Create(file + ".missing")->DomainController(), std::nullopt);

  // A FIFO with no writer, a folder or a device in its place names no controller, at once.
  const std::string fifo = ::testing::TempDir() + "moxtrel_krb5_fifo.conf";
  ::unlink(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(LinuxSystemFacts::Create(fifo)->DomainController(), std::nullopt);
  ::unlink(fifo.c_str());
  EXPECT_EQ(LinuxSystemFacts::Create(::testing::TempDir())->DomainController(), std::nullopt);
  EXPECT_EQ(LinuxSystemFacts::Create("/dev/zero")->DomainController(), std::nullopt);
}

// The Linux facts are current until replaced, and come back when the replacement is removed.
TEST(SystemFactsTest, CurrentFactsCanBeReplaced) {
  EXPECT_NE(std::dynamic_pointer_cast<LinuxSystemFacts>(CurrentSystemFacts()), nullptr);
  auto fake = FakeSystemFacts::Create();
  SetCurrentSystemFacts(fake);
  EXPECT_EQ(CurrentSystemFacts(), fake);
  SetCurrentSystemFacts(nullptr);
  EXPECT_NE(std::dynamic_pointer_cast<LinuxSystemFacts>(CurrentSystemFacts()), nullptr);
}

}  // namespace
}  // namespace moxtrel::platform
