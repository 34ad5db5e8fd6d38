#include <gtest/gtest.h>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/memory/memory_directory.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::As;
using directory::Bind;
using directory::IADsGroup;
using directory::IADsMembers;
using directory::IADsUser;

std::vector<std::u16string> Paths(IADsMembers& list) {
  std::vector<std::u16string> out;
  auto e = list.NewEnum();
  while (auto o = e->Next()) out.push_back(o->ADsPath());
  return out;
}

class MembershipTest : public DirectoryTest {
 protected:
  void SetUp() override {
    corp = build.AddDomain(u"CORP");
    other = build.AddDomain(u"OTHER");
    pc1 = build.AddComputer(corp, u"PC1");
    pc2 = build.AddComputer(corp, u"PC2");
    alice = build.AddUser(corp, u"alice");
    bob = build.AddUser(corp, u"bob");
    staff = build.AddGroup(corp, u"Staff");
    admins = build.AddGroup(pc1, u"Administrators");
  }
  std::u16string corp, other, pc1, pc2, alice, bob, staff, admins;
};

// Members and Groups list in the order added; Add twice and Remove of a non-member fail.
TEST_F(MembershipTest, AddRemoveAndListInOrder) {
  auto group = Bind<IADsGroup>(u"WinNT://CORP/Staff,group");
  group->Add(bob);
  group->Add(u"WinNT://CORP/alice,user");
  EXPECT_EQ(Paths(*group->Members()), (std::vector<std::u16string>{bob, alice}));
  EXPECT_TRUE(group->IsMember(u"WinNT://corp/ALICE"));
  EXPECT_FALSE(group->IsMember(u"WinNT://CORP/ghost"));
  EXPECT_EQ(ErrorCodeOf([&] { group->Add(alice); }), errc::kMemberInGroup);
  Bind<IADsGroup>(admins)->Add(alice);
  EXPECT_EQ(Paths(*Bind<IADsUser>(alice)->Groups()), (std::vector<std::u16string>{staff, admins}));
  group->Remove(bob);
  EXPECT_EQ(ErrorCodeOf([&] { group->Remove(bob); }), errc::kMemberNotInGroup);
  EXPECT_EQ(ErrorCodeOf([&] { group->Add(u"WinNT://CORP/ghost"); }), errc::kNoSuchObject);
  EXPECT_EQ(dir->MembersOf(staff), std::vector<std::u16string>{alice});
  // Members of a group are bound objects of their own class.
  auto e = group->Members()->NewEnum();
  EXPECT_EQ(e->Next()->Class(), u"User");
}

// Global groups hold users of their domain; local groups refuse local groups and strangers.
TEST_F(MembershipTest, GroupKindsRestrictMembers) {
  auto global = Bind<IADsGroup>(staff);
  auto local = Bind<IADsGroup>(admins);
  auto stranger = build.AddUser(other, u"eve");
  auto local_user = build.AddUser(pc1, u"svc");
  auto remote_user = build.AddUser(pc2, u"guest");
  auto other_local = build.AddGroup(pc1, u"Backup");
  EXPECT_EQ(ErrorCodeOf([&] { global->Add(stranger); }), errc::kInvalidMember);
  EXPECT_EQ(ErrorCodeOf([&] { global->Add(local_user); }), errc::kInvalidMember);
  EXPECT_EQ(ErrorCodeOf([&] { global->Add(staff); }), errc::kInvalidMember);
  EXPECT_EQ(ErrorCodeOf([&] { global->Add(pc1); }), errc::kInvalidMember);
  EXPECT_EQ(ErrorCodeOf([&] { local->Add(local_user); }), 0);
  EXPECT_EQ(ErrorCodeOf([&] { local->Add(stranger); }), 0);
  EXPECT_EQ(ErrorCodeOf([&] { local->Add(staff); }), 0);
  EXPECT_EQ(ErrorCodeOf([&] { local->Add(other_local); }), errc::kInvalidMember);
  EXPECT_EQ(ErrorCodeOf([&] { local->Add(remote_user); }), errc::kInvalidMember);
}

// Deleting an account or a group takes it out of every membership on both sides.
TEST_F(MembershipTest, DeleteRemovesMemberships) {
  build.AddMember(staff, alice);
  build.AddMember(admins, alice);
  build.AddMember(admins, staff);
  auto alice_groups = Bind<IADsUser>(alice)->Groups();
  Bind<directory::IADsContainer>(corp)->Delete(u"group", u"Staff");
  EXPECT_EQ(dir->MembersOf(admins), std::vector<std::u16string>{alice});
  EXPECT_EQ(Paths(*alice_groups), std::vector<std::u16string>{admins});
  Bind<directory::IADsContainer>(corp)->Delete(u"user", u"alice");
  EXPECT_TRUE(dir->MembersOf(admins).empty());
  // Deleting a computer deletes what it holds.
  auto local_user = build.AddUser(pc2, u"x");
  Bind<directory::IADsContainer>(corp)->Delete(u"computer", u"PC2");
  EXPECT_FALSE(dir->Contains(local_user));
  EXPECT_FALSE(dir->Contains(u"WinNT://PC2,computer"));
}

// An account moved to another domain keeps only the memberships the groups still allow.
TEST_F(MembershipTest, MoveToAnotherDomainDropsRefusedMemberships) {
  build.AddMember(staff, alice);
  build.AddMember(admins, alice);
  auto moved = Bind<directory::IADsContainer>(other)->MoveHere(alice, u"");
  EXPECT_EQ(moved->ADsPath(), u"WinNT://OTHER/alice");
  EXPECT_TRUE(dir->MembersOf(staff).empty());
  EXPECT_EQ(dir->MembersOf(admins), std::vector<std::u16string>{u"WinNT://OTHER/alice"});
  EXPECT_EQ(ErrorCodeOf([&] { Bind<directory::IADsContainer>(pc1)->MoveHere(bob, u"b"); }),
            errc::kInvalidArg);
}

// Passwords are checked against the account's minimum length and never readable.
TEST_F(MembershipTest, SetPasswordChecksLength) {
  auto carol =
      Bind<IADsUser>(build.AddUser(corp, u"carol", {{u"PasswordMinimumLength", int32_t{6}}}));
  EXPECT_EQ(ErrorCodeOf([&] { carol->SetPassword(u"short"); }), errc::kPasswordRestriction);
  carol->SetPassword(u"longer!");
  EXPECT_TRUE(dir->PasswordMatches(u"WinNT://CORP/carol", u"longer!"));
  EXPECT_EQ(ErrorCodeOf([&] { carol->Get(u"Password"); }), errc::kPropertyNotFound);
  EXPECT_EQ(layer->Journal().Dump().find("longer!"), std::string::npos);
}

}  // namespace
}  // namespace moxtrel::testing
