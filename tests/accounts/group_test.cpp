#include "moxtrel/accounts/group.h"

#include <gtest/gtest.h>

#include "account_seed.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/frame/text.h"

namespace moxtrel {
namespace {

using testing::FailOn;

class GroupTest : public testing::AccountsTest {
 protected:
  std::shared_ptr<moxGroup> FindGroup(const std::u16string& name, const std::u16string& parent) {
    auto group = moxGroup::Create();
    EXPECT_TRUE(group->Find(name, parent));
    layer->Journal().Clear();
    return group;
  }
};

// An unbound group reads its fields and refuses every change without a provider call.
TEST_F(GroupTest, UnboundGroupNeverCallsTheProvider) {
  auto group = moxGroup::Create();
  std::u16string local = u" Administrators ", server = u" PC1 ";
  EXPECT_FALSE(group->Exists());
  EXPECT_EQ(group->GroupType(), moxType{0});
  EXPECT_EQ(group->Name() + group->Domain() + group->Server() + group->Description(), u"");
  EXPECT_FALSE(group->Users() || group->Groups());
  group->Name(u"Team");
  group->Description(u"x");
  EXPECT_FALSE(group->AddToLocalGroup(local, server));
  EXPECT_EQ(group->Name(), u"");
  EXPECT_EQ(layer->Journal().Size(), 0u);
}

// Find trims into the path, takes the type from the GroupType bits and the container from the
// parent path, and hands both child collections the group's scope.
TEST_F(GroupTest, FindBindsGlobalAndLocalGroups) {
  auto global = moxGroup::Create();
  ASSERT_TRUE(global->Find(u" Staff ", u" CORP "));
  EXPECT_EQ(Calls(u"GetObject", u"WinNT://CORP/Staff,group"), 2u);  // lookup, then by path
  EXPECT_EQ(global->GroupType(), moxType::moxGlobal);
  EXPECT_EQ(global->Domain(), u"CORP");
  EXPECT_EQ(global->Server(), u"");
  EXPECT_EQ(global->Users()->Count(), 2);
  EXPECT_EQ(global->Groups()->Count(), 0);

  auto local = FindGroup(u"Administrators", u"PC1");
  EXPECT_EQ(local->GroupType(), moxType::moxLocal);
  EXPECT_EQ(local->Server(), u"CORP/PC1");
  EXPECT_EQ(local->Users()->Count(), 2);
  EXPECT_EQ(Calls(u"GetObject", u"WinNT://CORP/PC1/Administrators,group"), 1u);
  EXPECT_TRUE(local->Groups()->Exists(Variant(u"Staff")));

  // Neither global nor local, or not there: False, and the old binding stays.
  dir->Poke(build.AddGroup(corp, u"Odd"), u"GroupType", Variant(int32_t{8}));
  EXPECT_FALSE(global->Find(u"Odd", u"CORP"));
  EXPECT_FALSE(global->Find(u"Nobody", u"CORP"));
  EXPECT_TRUE(global->Exists());
  EXPECT_EQ(global->Name(), u"Staff");
}

// A rename moves the group and rebinds under the new name with fresh child collections; a
// refused move changes nothing.
TEST_F(GroupTest, RenameRebindsWithNewCollections) {
  auto group = FindGroup(u"Staff", u"CORP");
  auto users = group->Users();
  FailOn(layer->Faults(), u"MoveHere");
  group->Name(u"Team");
  EXPECT_EQ(group->Name(), u"Staff");
  EXPECT_EQ(group->Users(), users);
  group->Name(u" Team ");
  EXPECT_TRUE(group->Exists());
  EXPECT_EQ(group->Name(), u"Team");
  EXPECT_TRUE(dir->Contains(u"WinNT://CORP/Team,group"));
  EXPECT_NE(group->Users(), users);
  EXPECT_EQ(group->Users()->Count(), 2);
}

// AddToLocalGroup checks type and names before any call, writes the trims back, and on
// success replaces Groups with a fresh collection of the same scope.
TEST_F(GroupTest, LocalGroupMembership) {
  auto local = FindGroup(u"Administrators", u"PC1");
  std::u16string name = u"Administrators", server = u"PC1";
  EXPECT_FALSE(local->AddToLocalGroup(name, server));
  auto group = FindGroup(u"Auditors", u"CORP");
  name = u" Administrators ";
  server = u"   ";
  EXPECT_FALSE(group->AddToLocalGroup(name, server));
  EXPECT_EQ(name, u"Administrators");
  EXPECT_EQ(server, u"");
  EXPECT_EQ(layer->Journal().Size(), 0u);

  auto before = group->Groups();
  server = u" PC1 ";
  ASSERT_TRUE(group->AddToLocalGroup(name, server));
  EXPECT_EQ(server, u"PC1");
  EXPECT_EQ(Calls(u"GetObject", u"WinNT://PC1/Administrators,group"), 1u);
  EXPECT_EQ(dir->MembersOf(admins).size(), 4u);
  EXPECT_NE(group->Groups(), before);
  EXPECT_FALSE(group->AddToLocalGroup(name, server));  // already a member
  ASSERT_TRUE(group->RemoveFromLocalGroup(name, server));
  EXPECT_EQ(dir->MembersOf(admins).size(), 3u);
}

// A failure at each provider call of AddToLocalGroup gives False and keeps Groups.
TEST_F(GroupTest, AddToLocalGroupTrapsEveryProviderCall) {
  for (const char16_t* member : {u"GetObject", u"IADs.ADsPath", u"IADsGroup.Add"}) {
    auto group = FindGroup(u"Auditors", u"CORP");
    auto before = group->Groups();
    FailOn(layer->Faults(), member);
    std::u16string name = u"Administrators", server = u"PC1";
    EXPECT_FALSE(group->AddToLocalGroup(name, server)) << ToUtf8(member);
    EXPECT_EQ(group->Groups(), before);
    layer->Faults().Clear();
    EXPECT_EQ(dir->MembersOf(admins).size(), 3u);
  }
}

}  // namespace
}  // namespace moxtrel
