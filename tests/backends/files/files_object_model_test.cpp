// The object model driven against the files backend: a server's users and groups, a user's
// password and memberships, renames, and the files afterwards.
#include <crypt.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "backends/files/files_test_util.h"
#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/servers/server.h"
#include "support/files_tree.h"

namespace moxtrel::testing {
namespace {

using backends::files::MakeFilesProvider;
using ::testing::HasSubstr;
using ::testing::Not;

class FilesObjectModelTest : public ::testing::Test {
 protected:
  FilesObjectModelTest() {
    tree.AddGroup("staff", 50, {"alice"})
        .AddGroup("alice", 1000)
        .AddUser("alice", 1000, 1000, "Alice Liddell", "/home/alice", "/bin/bash");
    Install(tree.Options());
  }
  ~FilesObjectModelTest() override { directory::SetCurrentProvider(nullptr); }
  void Install(backends::files::FilesOptions o) {
    directory::SetCurrentProvider(MakeFilesProvider(std::move(o)));
  }

  FilesTree tree;
};

TEST_F(FilesObjectModelTest, ServerListsAddsRenamesAndRemovesLocalAccounts) {
  auto server = moxServer::Create();
  server->Name(u"PC1");
  ASSERT_TRUE(server->Exists());
  EXPECT_EQ(server->OperatingSystem(), u"Moxtrel Test Linux");
  EXPECT_EQ(server->Users()->Count(), 1);
  EXPECT_EQ(server->Groups()->Count(), 2);
  EXPECT_EQ(server->Groups()->Item(Variant(u"staff"))->GroupType(), moxType::moxLocal);

  std::u16string name = u"  carol ";
  ASSERT_TRUE(server->Users()->Add(name, u"Carol Ames", u"Night shift"));
  EXPECT_EQ(name, u"carol");
  EXPECT_THAT(tree.Read("etc/passwd"),
              HasSubstr("carol:x:1001:1001:Carol Ames,Night shift:/home/carol:/bin/sh\n"));
  EXPECT_EQ(server->Users()->Count(), 2);
  auto carol = server->Users()->Item(Variant(u"carol"));
  EXPECT_EQ(carol->UserType(), moxType::moxLocal);
  EXPECT_EQ(carol->Server(), u"PC1");
  EXPECT_EQ(carol->FullName(), u"Carol Ames");
  EXPECT_EQ(carol->SID(),
            u"0102000000000016010000"
            u"00E9030000");
  // A name the platform refuses, or a description the files cannot hold, gives False.
  std::u16string bad = u"+lives";
  EXPECT_FALSE(server->Users()->Add(bad));
  std::u16string dan = u"dan";
  EXPECT_FALSE(server->Users()->Add(dan, u"Dan: the man"));
  EXPECT_THAT(tree.Read("etc/passwd"), Not(HasSubstr("dan")));

  carol->UserName(u"carla");
  EXPECT_EQ(carol->UserName(), u"carla");
  EXPECT_TRUE(carol->Exists());
  EXPECT_THAT(tree.Read("etc/passwd"), HasSubstr("\ncarla:x:1001:"));
  EXPECT_THAT(tree.Read("etc/shadow"), HasSubstr("\ncarla:!:"));

  ASSERT_TRUE(server->Users()->Refresh());  // the rename went round the collection
  ASSERT_TRUE(server->Users()->Remove(Variant(u"carla")));
  EXPECT_THAT(tree.Read("etc/passwd"), Not(HasSubstr("carla")));
  EXPECT_EQ(server->Users()->Count(), 1);

  // carla's own group kept its first name, so deleting her left it, as userdel does.
  EXPECT_THAT(tree.Read("etc/group"), HasSubstr("carol:x:1001:\n"));
  std::u16string group = u"ops";
  ASSERT_TRUE(server->Groups()->Add(group));
  EXPECT_THAT(tree.Read("etc/group"), HasSubstr("ops:x:1002:\n"));
  std::u16string with_description = u"qa";
  EXPECT_FALSE(server->Groups()->Add(with_description, u"Testers"));  // groups hold none
  auto ops = moxGroup::Create();
  ASSERT_TRUE(ops->Find(u"ops", u"PC1"));
  ops->Name(u"sre");
  EXPECT_THAT(tree.Read("etc/group"), HasSubstr("sre:x:1002:\n"));
  ASSERT_TRUE(server->Groups()->Remove(Variant(u"sre")));
  EXPECT_THAT(tree.Read("etc/group"), Not(HasSubstr("sre")));
}

TEST_F(FilesObjectModelTest, UserFindsSetsPasswordAndChangesMemberships) {
  auto alice = moxUser::Create();
  ASSERT_TRUE(alice->Find(u"ALICE", u"pc1", moxType::moxLocal));
  EXPECT_EQ(alice->UserName(), u"alice");
  EXPECT_EQ(alice->HomeDirectory(), u"/home/alice");
  EXPECT_EQ(alice->Groups()->Count(), 2);  // staff from the list, alice as primary group

  std::mt19937_64 rng(std::random_device{}());
  const std::string secret = "s" + std::to_string(rng());
  ASSERT_TRUE(alice->SetPassword(u"  " + FromUtf8(secret) + u"  "));
  std::string shadow = tree.Read("etc/shadow");
  std::size_t at = shadow.find("alice:") + 6;
  std::string hash = shadow.substr(at, shadow.find(':', at) - at);
  EXPECT_EQ(std::string(crypt(secret.c_str(), hash.c_str())), hash);
  EXPECT_THAT(tree.Read("etc/passwd"), Not(HasSubstr(secret)));

  auto server = moxServer::Create();
  server->Name(u"PC1");
  std::u16string bob = u"bob";
  ASSERT_TRUE(server->Users()->Add(bob));
  auto b = moxUser::Create();
  ASSERT_TRUE(b->Find(u"bob", u"PC1", moxType::moxLocal));
  std::u16string staff = u" staff ";
  ASSERT_TRUE(b->AddToGroup(staff));
  EXPECT_EQ(staff, u"staff");
  EXPECT_THAT(tree.Read("etc/group"), HasSubstr("staff:x:50:alice,bob\n"));
  EXPECT_THAT(tree.Read("etc/gshadow"), HasSubstr("staff:!::alice,bob\n"));
  EXPECT_FALSE(b->AddToGroup(staff));  // already a member
  EXPECT_EQ(b->Groups()->Count(), 2);

  auto group = moxGroup::Create();
  ASSERT_TRUE(group->Find(u"staff", u"PC1"));
  EXPECT_EQ(group->Users()->Count(), 2);
  EXPECT_EQ(group->Groups()->Count(), 0);
  ASSERT_TRUE(group->Users()->Remove(Variant(u"alice")));
  EXPECT_THAT(tree.Read("etc/group"), HasSubstr("staff:x:50:bob\n"));
  ASSERT_TRUE(b->RemoveFromGroup(staff));
  EXPECT_THAT(tree.Read("etc/group"), HasSubstr("staff:x:50:\n"));

  // Properties the files cannot hold fail loudly through the object model too.
  EXPECT_EQ(ErrorOf([&] { b->HomeDirDrive(u"H:"); }).code, Code(errc::kNotSupported));
  EXPECT_EQ(ErrorOf([&] { b->PasswordCantChange(true); }).code, Code(errc::kNotSupported));
  b->PasswordCantChange(false);  // nothing to clear, nothing written
  b->AccountDisabled(true);
  EXPECT_TRUE(b->AccountDisabled());
  b->MustChangePasswordNextLogon(true);
  EXPECT_TRUE(b->MustChangePasswordNextLogon());
  EXPECT_THAT(tree.Read("etc/shadow"), HasSubstr(":0:0:99999:7::1:\n"));
}

TEST_F(FilesObjectModelTest, ShutdownRunsTheCommandOnlyWhenAllowed) {
  auto server = moxServer::Create();
  server->Name(u"PC1");
  EXPECT_FALSE(server->Shutdown(true));
  auto refused = ErrorOf([] {
    directory::Bind<directory::IADsComputerOperations>(u"WinNT://PC1,computer")->Shutdown(false);
  });
  EXPECT_EQ(refused.code, Code(errc::kAccessDenied));
  EXPECT_THAT(refused.message, HasSubstr("allow_shutdown"));

  const std::string script = tree.root() + "/fake-shutdown";
  tree.Write("fake-shutdown", "#!/bin/sh\necho \"$@\" > \"$0.args\"\n");
  ::chmod(script.c_str(), 0755);
  auto o = tree.Options();
  o.allow_shutdown = true;
  o.shutdown_command = script;
  Install(o);
  server->Name(u"PC1");
  EXPECT_TRUE(server->Shutdown(true));
  EXPECT_EQ(tree.Read("fake-shutdown.args"), "-r now\n");
  o.shutdown_command = tree.root() + "/missing";
  Install(o);
  server->Name(u"PC1");
  EXPECT_FALSE(server->Shutdown(false));
}

}  // namespace
}  // namespace moxtrel::testing
