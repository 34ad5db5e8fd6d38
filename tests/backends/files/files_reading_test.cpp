// Reading the account files: path forms, the property mapping, member lists, computer facts,
// and clear errors for files that cannot be read.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "backends/files/files_test_util.h"
#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/error_codes.h"
#include "support/files_tree.h"

namespace moxtrel::testing {
namespace {

using namespace directory;
using backends::files::MakeFilesProvider;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr double kEpoch = 25569.0;

class FilesReadingTest : public ::testing::Test {
 protected:
  FilesReadingTest() {
    tree.AddGroup("staff", 50, {"alice", "ghost"})
        .AddGroup("alice", 1000)
        .AddGroup("devs", 1001, {"bob"})
        .AddUser("alice", 1000, 1000, "Alice Liddell,Room 4,555-1234", "/home/alice", "/bin/bash")
        .AddUser("bob", 1001, 50, "Bob", "/home/bob")
        .SetShadow("alice", "$y$j9T$abc$def:19000:0:90:7::40000:")
        .SetShadow("bob", "!:0:0:99999:7::1:");
    provider = MakeFilesProvider(tree.Options());
  }
  template <class I>
  std::shared_ptr<I> Get(std::u16string_view path) {
    return As<I>(provider->GetObject(path));
  }
  std::vector<std::u16string> Names(IADsEnum& e) {
    std::vector<std::u16string> out;
    while (auto o = e.Next()) out.push_back(o->Name());
    return out;
  }

  FilesTree tree;
  std::shared_ptr<DirectoryProvider> provider;
};

TEST_F(FilesReadingTest, AcceptsEveryPathFormAndReportsCanonicalPaths) {
  for (auto p : {u"WinNT://PC1,computer", u"WinNT://pc1", u"WinNT://Pc1,Computer"}) {
    auto c = Get<IADsComputer>(p);
    EXPECT_EQ(c->ADsPath(), u"WinNT://PC1");
    EXPECT_EQ(c->Parent(), u"WinNT:");
    EXPECT_EQ(c->Name(), u"PC1");
  }
  auto alice = Get<IADsUser>(u"WinNT://pc1/ALICE,user");
  EXPECT_EQ(alice->Name(), u"alice");
  EXPECT_EQ(alice->ADsPath(), u"WinNT://PC1/alice");
  EXPECT_EQ(alice->Parent(), u"WinNT://PC1");
  EXPECT_EQ(Get<IADsGroup>(u"WinNT://PC1/Staff,group")->Class(), u"Group");
  // Without a class word a user wins over its own group of the same name.
  EXPECT_EQ(provider->GetObject(u"WinNT://PC1/alice")->Class(), u"User");

  auto in_domain = MakeFilesProvider(tree.Options(u"PC1", u"CORP"));
  for (auto p : {u"WinNT://CORP/PC1,computer", u"WinNT://PC1,computer"}) {
    auto c = As<IADsComputer>(in_domain->GetObject(p));
    EXPECT_EQ(c->ADsPath(), u"WinNT://CORP/PC1");
    EXPECT_EQ(c->Parent(), u"WinNT://CORP");
  }
  for (auto p : {u"WinNT://CORP/PC1/alice,user", u"WinNT://PC1/alice,user"}) {
    auto u = in_domain->GetObject(p);
    EXPECT_EQ(u->ADsPath(), u"WinNT://CORP/PC1/alice");
    EXPECT_EQ(u->Parent(), u"WinNT://CORP/PC1");
  }
}

TEST_F(FilesReadingTest, RefusesOtherComputersAndKindsItDoesNotHold) {
  for (auto p : {u"WinNT://OTHER/alice,user", u"WinNT://PC1/Spooler,service",
                 u"WinNT://PC1/LanmanServer,FileService", u"WinNT://PC1/LanmanServer",
                 u"WinNT://PC1/LanmanServer/DATA,FileShare", u"WinNT://CORP,domain",
                 u"WinNT://PC1/alice,computer", u"WinNT://PC1,user"}) {
    Thrown t = ErrorOf([&] { provider->GetObject(p); });
    EXPECT_EQ(t.code, Code(errc::kNoSuchObject)) << ToUtf8(p);
    EXPECT_THAT(t.message, HasSubstr(ToUtf8(p)));
    EXPECT_THAT(t.message, HasSubstr("serves only the local users and groups"));
  }
  Thrown missing = ErrorOf([&] { provider->GetObject(u"WinNT://PC1/nobody,user"); });
  EXPECT_EQ(missing.code, Code(errc::kNoSuchObject));
  EXPECT_THAT(missing.message, HasSubstr("etc/passwd lists no \"nobody\""));
  EXPECT_EQ(ErrorOf([&] { provider->GetObject(u"WinNT://PC1/x,bogus"); }).code,
            Code(errc::kUnknownObject));
}

TEST_F(FilesReadingTest, MapsPasswdAndShadowOntoUserProperties) {
  auto alice = Get<IADsUser>(u"WinNT://PC1/alice,user");
  EXPECT_EQ(alice->FullName(), u"Alice Liddell");
  EXPECT_EQ(alice->Description(), u"Room 4,555-1234");
  EXPECT_EQ(alice->HomeDirectory(), u"/home/alice");
  EXPECT_EQ(alice->LoginScript(), u"/bin/bash");
  EXPECT_FALSE(alice->AccountDisabled());
  EXPECT_FALSE(alice->IsAccountLocked());
  EXPECT_TRUE(alice->PasswordRequired());
  EXPECT_EQ(alice->AccountExpirationDate().value, kEpoch + 40000);
  EXPECT_EQ(alice->PasswordExpirationDate().value, kEpoch + 19090);
  EXPECT_EQ(alice->Get(u"PrimaryGroupID").ToLong(), 1000);
  EXPECT_EQ(alice->Get(u"UserFlags").ToLong(), 0x201);
  const int32_t today = static_cast<int32_t>(time(nullptr) / 86400);
  EXPECT_EQ(alice->Get(u"passwordAge").ToLong(), today - 19000);
  EXPECT_EQ(alice->Get(u"PasswordExpired").ToLong(), 1);  // 19000 + 90 days is past
  EXPECT_EQ(alice->Get(u"ObjectSID").AsBytes(),
            (ByteArray{1, 2, 0, 0, 0, 0, 0, 22, 1, 0, 0, 0, 0xE8, 0x03, 0, 0}));
  EXPECT_EQ(alice->GUID(), u"{00000016-0001-0000-0000-0000000003e8}");
  // What the files cannot hold reads as its empty value.
  EXPECT_EQ(alice->Get(u"HomeDirDrive").ToString(), u"");
  EXPECT_EQ(alice->Profile(), u"");
  EXPECT_EQ(alice->LastLogin().value, 0.0);
  EXPECT_EQ(alice->MaxStorage(), -1);
  EXPECT_EQ(ErrorOf([&] { alice->Get(u"NoSuchThing"); }).code, Code(errc::kPropertyNotFound));

  auto bob = Get<IADsUser>(u"WinNT://PC1/bob,user");
  EXPECT_EQ(bob->FullName(), u"Bob");
  EXPECT_EQ(bob->Description(), u"");
  EXPECT_TRUE(bob->AccountDisabled());                  // expired on day 1
  EXPECT_TRUE(bob->IsAccountLocked());                  // "!" password
  EXPECT_EQ(bob->Get(u"PasswordExpired").ToLong(), 1);  // last change 0: must change
  EXPECT_EQ(bob->PasswordExpirationDate().value, 0.0);
  EXPECT_EQ(bob->Get(u"UserFlags").ToLong(), 0x201 | 0x2 | 0x10 | 0x10000);

  auto staff = Get<IADsGroup>(u"WinNT://PC1/staff,group");
  EXPECT_EQ(staff->Get(u"GroupType").ToLong(), 4);
  EXPECT_EQ(staff->Get(u"ObjectSID").AsBytes(),
            (ByteArray{1, 2, 0, 0, 0, 0, 0, 22, 2, 0, 0, 0, 50, 0, 0, 0}));
  EXPECT_EQ(staff->Description(), u"");
}

TEST_F(FilesReadingTest, ListsMembersGroupsAndTheComputersAccounts) {
  auto staff = Get<IADsGroup>(u"WinNT://PC1/staff,group");
  // The member list first (an unknown name left out), then the users whose primary group it is.
  EXPECT_THAT(Names(*staff->Members()->NewEnum()), ElementsAre(u"alice", u"bob"));
  EXPECT_TRUE(staff->IsMember(u"WinNT://PC1/alice,user"));
  EXPECT_TRUE(staff->IsMember(u"WinNT://PC1/bob"));
  EXPECT_FALSE(staff->IsMember(u"WinNT://PC1/ghost,user"));
  EXPECT_FALSE(Get<IADsGroup>(u"WinNT://PC1/devs,group")->IsMember(u"WinNT://PC1/alice,user"));
  EXPECT_THAT(Names(*Get<IADsUser>(u"WinNT://PC1/alice,user")->Groups()->NewEnum()),
              ElementsAre(u"staff", u"alice"));
  EXPECT_THAT(Names(*Get<IADsUser>(u"WinNT://PC1/bob,user")->Groups()->NewEnum()),
              ElementsAre(u"staff", u"devs"));

  auto pc = Get<IADsComputer>(u"WinNT://PC1,computer");
  EXPECT_THAT(Names(*pc->NewEnum()), ElementsAre(u"alice", u"bob", u"staff", u"alice", u"devs"));
  pc->Filter(Variant::StringArray({u"User"}));
  EXPECT_THAT(Names(*pc->NewEnum()), ElementsAre(u"alice", u"bob"));
  pc->Filter(Variant::StringArray({u"Group"}));
  EXPECT_THAT(Names(*pc->NewEnum()), ElementsAre(u"staff", u"alice", u"devs"));
  pc->Filter(Variant::StringArray({u"Service"}));
  EXPECT_EQ(pc->NewEnum()->Next(), nullptr);

  EXPECT_EQ(pc->OperatingSystem(), u"Moxtrel Test Linux");
  EXPECT_EQ(pc->OperatingSystemVersion(), u"1.0");
  EXPECT_FALSE(pc->Processor().empty());
  EXPECT_EQ(pc->ProcessorCount(), FromUtf8(std::to_string(sysconf(_SC_NPROCESSORS_ONLN))));
  EXPECT_EQ(pc->Owner(), u"");
  // os-release falls back to usr/lib/os-release.
  ::unlink((tree.root() + "/etc/os-release").c_str());
  EXPECT_THAT(ErrorOf([&] { pc->OperatingSystem(); }).message, HasSubstr("usr/lib/os-release"));
  ::mkdir((tree.root() + "/usr").c_str(), 0755);
  ::mkdir((tree.root() + "/usr/lib").c_str(), 0755);
  tree.Write("usr/lib/os-release", "NAME='Fallback OS'\nVERSION_ID=7\n");
  EXPECT_EQ(pc->OperatingSystem(), u"Fallback OS");
  EXPECT_EQ(pc->OperatingSystemVersion(), u"7");
}

TEST_F(FilesReadingTest, NamesTheFileAndLineOfWhatCannotBeRead) {
  const std::string good = tree.Read("etc/passwd");
  const std::string good_shadow = tree.Read("etc/shadow");
  tree.Write("etc/passwd", good + "broken:x:1\n");
  Thrown t = ErrorOf([&] { provider->GetObject(u"WinNT://PC1/alice,user"); });
  EXPECT_THAT(t.message, HasSubstr("etc/passwd:3: expected 7 fields, found 3"));
  tree.Write("etc/passwd", good + "carl:x:12a:1::/:/bin/sh\n");
  EXPECT_THAT(ErrorOf([&] { provider->GetObject(u"WinNT://PC1/alice,user"); }).message,
              HasSubstr("etc/passwd:3: the uid \"12a\" is not a number"));
  tree.Write("etc/passwd", good);
  tree.Write("etc/shadow", "alice:!:x1::::::\n");
  EXPECT_THAT(ErrorOf([&] { provider->GetObject(u"WinNT://PC1/alice,user"); }).message,
              HasSubstr("etc/shadow:1: a day count \"x1\" is not a number"));
  tree.Write("etc/shadow", good_shadow);
  ::unlink((tree.root() + "/etc/group").c_str());
  EXPECT_THAT(ErrorOf([&] { provider->GetObject(u"WinNT://PC1/alice,user"); }).message,
              HasSubstr("etc/group does not exist"));
  // The files are as they were: reading never writes.
  EXPECT_EQ(tree.Read("etc/passwd"), good);
  EXPECT_FALSE(tree.Exists("etc/passwd-"));
}

// Only regular files are read: a FIFO or a folder in place of an account or settings file is
// named, and the read neither hangs nor grows without end.
TEST_F(FilesReadingTest, RefusesAccountFilesThatAreNotRegularFiles) {
  const std::string shadow = tree.root() + "/etc/shadow";
  ::unlink(shadow.c_str());
  ASSERT_EQ(::mkfifo(shadow.c_str(), 0640), 0);
  Thrown t = ErrorOf([&] { provider->GetObject(u"WinNT://PC1/alice,user"); });
  EXPECT_THAT(t.message, HasSubstr("etc/shadow"));
  EXPECT_THAT(t.message, HasSubstr("FIFO"));
  ::unlink(shadow.c_str());
  ::mkdir(shadow.c_str(), 0755);
  EXPECT_THAT(ErrorOf([&] { provider->GetObject(u"WinNT://PC1/alice,user"); }).message,
              HasSubstr("Is a directory, not a regular file"));
  ::rmdir(shadow.c_str());
  const std::string defs = tree.root() + "/etc/login.defs";
  ::unlink(defs.c_str());
  ASSERT_EQ(::symlink("/dev/zero", defs.c_str()), 0);
  EXPECT_THAT(ErrorOf([&] {
                (void)Get<IADsUser>(u"WinNT://PC1/alice,user")->PasswordMinimumLength();
              }).message,
              HasSubstr("character device"));
}

// A shadow file the process may not read makes every property it holds fail, naming the file
// and why; properties of passwd still read. Run as "nobody" in a child process.
TEST_F(FilesReadingTest, PropertiesOfAnUnreadableShadowFailInsteadOfReadingAsUnset) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
  ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
  ASSERT_EQ(::chmod((tree.root() + "/etc/shadow").c_str(), 0600), 0);
  pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(10);
    auto p = MakeFilesProvider(tree.Options());
    auto alice = As<IADsUser>(p->GetObject(u"WinNT://PC1/alice,user"));
    if (alice->FullName() != u"Alice Liddell") ::_exit(11);
    for (auto name : {u"AccountDisabled", u"UserFlags", u"IsAccountLocked", u"PasswordExpired",
                      u"PasswordAge", u"AccountExpirationDate", u"PasswordRequired"}) {
      Thrown t = ErrorOf([&] { (void)alice->Get(name); });
      if (t.code != Code(errc::kAccessDenied)) ::_exit(12);
      if (t.message.find("etc/shadow") == std::string::npos ||
          t.message.find("Permission denied") == std::string::npos ||
          t.message.find(ToUtf8(name)) == std::string::npos) {
        ::_exit(13);
      }
    }
    if (ErrorOf([&] { alice->AccountDisabled(true); }).code != Code(errc::kAccessDenied)) {
      ::_exit(14);
    }
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "10 setuid, 11 passwd, 12 code, 13 message, 14 write";
}

}  // namespace
}  // namespace moxtrel::testing
