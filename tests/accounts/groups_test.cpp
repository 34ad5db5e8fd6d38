#include "moxtrel/accounts/groups.h"

#include <gtest/gtest.h>

#include "account_seed.h"
#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/servers/server.h"

namespace moxtrel {
namespace {

using testing::ErrorCodeOf;
using testing::FailOn;

class GroupsTest : public testing::AccountsTest {
 protected:
  std::shared_ptr<moxGroups> DomainGroups() {
    domain = moxDomain::Create();
    domain->Name(u"CORP");
    layer->Journal().Clear();
    return domain->Groups();
  }
  std::shared_ptr<moxGroups> UserGroups() {
    user = moxUser::Create();
    EXPECT_TRUE(user->Find(u"alice", u"CORP", moxType::moxGlobal));
    layer->Journal().Clear();
    return user->Groups();
  }
  std::shared_ptr<moxDomain> domain;
  std::shared_ptr<moxUser> user;
};

// The domain listing is read once on the first read and holds bound global groups; groups of
// neither kind are skipped.
TEST_F(GroupsTest, DomainListingIsLazy) {
  dir->Poke(build.AddGroup(corp, u"Odd"), u"GroupType", Variant(int32_t{8}));
  auto groups = DomainGroups();
  EXPECT_EQ(groups->Count(), 2);
  EXPECT_EQ(groups->Count(), 2);
  EXPECT_EQ(Calls(u"GetObject", u"WinNT://CORP,domain"), 1u);
  EXPECT_EQ(Calls(u"IADsContainer.Filter.put"), 1u);
  auto first = groups->Item(Variant(int32_t{1}));
  EXPECT_EQ(first->Name(), u"Staff");
  EXPECT_EQ(first->GroupType(), moxType::moxGlobal);
  EXPECT_FALSE(groups->Exists(Variant(u"Administrators")));
}

// The server listing holds the server's local groups; Add and Remove act on the computer.
TEST_F(GroupsTest, ServerListingHoldsLocalGroups) {
  auto server = moxServer::Create();
  server->Name(u"PC1");
  auto groups = server->Groups();
  ASSERT_EQ(groups->Count(), 1);
  EXPECT_EQ(groups->Item(Variant(int32_t{1}))->GroupType(), moxType::moxLocal);
  std::u16string name = u"Ops";
  EXPECT_TRUE(groups->Add(name));
  EXPECT_EQ(dir->Peek(u"WinNT://CORP/PC1/Ops,group", u"GroupType"), Variant(int32_t{4}));
  EXPECT_TRUE(groups->Remove(Variant(u"Administrators")));
  EXPECT_FALSE(dir->Contains(admins));
  EXPECT_EQ(groups->Count(), 1);
}

// A user's listing follows the user's memberships; a rename re-scopes the same collection,
// which then lists again under the new path.
TEST_F(GroupsTest, UserListingFollowsRename) {
  auto groups = UserGroups();
  EXPECT_TRUE(groups->Exists(Variant(u"Staff")));
  EXPECT_TRUE(groups->Exists(Variant(u"auditors")));
  EXPECT_EQ(Calls(u"GetObject", u"WinNT://CORP/alice,user"), 1u);
  user->UserName(u"alicia");
  EXPECT_TRUE(groups->NeedsRefresh());
  layer->Journal().Clear();
  EXPECT_TRUE(groups->Exists(Variant(u"Staff")));
  EXPECT_EQ(Calls(u"GetObject", u"WinNT://CORP/alicia,user"), 1u);
}

// Listing never raises: a failure shows as a short collection and a stale one tries again.
TEST_F(GroupsTest, RefreshNeverRaises) {
  auto groups = DomainGroups();
  FailOn(layer->Faults(), u"GetObject", u"WinNT://CORP,domain");
  EXPECT_EQ(groups->Count(), 0);
  EXPECT_TRUE(groups->NeedsRefresh());
  FailOn(layer->Faults(), u"IADsEnum.Next", {}, 2);
  EXPECT_EQ(groups->Count(), 1);
  EXPECT_TRUE(groups->NeedsRefresh());
  EXPECT_TRUE(groups->Refresh());
  EXPECT_FALSE(groups->NeedsRefresh());
  EXPECT_EQ(groups->Count(), 2);
}

// A group's Groups lists only its members of class Group.
TEST_F(GroupsTest, GroupMemberListingTakesOnlyGroups) {
  auto admins_group = moxGroup::Create();
  ASSERT_TRUE(admins_group->Find(u"Administrators", u"PC1"));
  auto groups = admins_group->Groups();
  ASSERT_EQ(groups->Count(), 1);
  EXPECT_EQ(groups->Item(Variant(int32_t{1}))->Domain(), u"CORP");
  EXPECT_TRUE(groups->Remove(Variant(u"Staff")));
  EXPECT_TRUE(dir->Contains(staff));
  EXPECT_EQ(dir->MembersOf(admins).size(), 2u);
  EXPECT_EQ(groups->Count(), 0);
}

// Add works only in a whole-domain or whole-server listing, trims the name back and writes
// the description before the one commit.
TEST_F(GroupsTest, AddCreatesInDomainListingsOnly) {
  auto mine = UserGroups();
  std::u16string name = u"Team";
  EXPECT_FALSE(mine->Add(name));
  EXPECT_EQ(layer->Journal().Size(), 0u);
  auto groups = DomainGroups();
  name = u"  ";
  EXPECT_FALSE(groups->Add(name));
  EXPECT_EQ(name, u"");
  name = u" Team ";
  ASSERT_TRUE(groups->Add(name, u" Core team "));
  EXPECT_EQ(name, u"Team");
  EXPECT_EQ(Calls(u"IADsContainer.Create"), 1u);
  EXPECT_EQ(Calls(u"IADs.Put"), 0u);  // no group type is written
  EXPECT_EQ(dir->Peek(u"WinNT://CORP/Team,group", u"Description"), Variant(u"Core team"));
  EXPECT_TRUE(groups->NeedsRefresh());
  EXPECT_EQ(groups->Count(), 3);
  FailOn(layer->Faults(), u"IADs.SetInfo");
  name = u"Other";
  EXPECT_FALSE(groups->Add(name));
}

// Remove in a user's listing ends the membership; in the domain listing it deletes the group;
// an unknown key gives False without an error.
TEST_F(GroupsTest, RemoveDetachesOrDeletes) {
  auto mine = UserGroups();
  EXPECT_FALSE(mine->Remove(Variant(u"nobody")));
  EXPECT_TRUE(mine->Remove(Variant(u"Auditors")));
  EXPECT_TRUE(dir->Contains(auditors));
  EXPECT_TRUE(dir->MembersOf(auditors).empty());
  EXPECT_FALSE(mine->Exists(Variant(u"Auditors")));

  auto groups = DomainGroups();
  EXPECT_TRUE(groups->Remove(Variant(u"Staff")));
  EXPECT_FALSE(dir->Contains(staff));
  EXPECT_EQ(groups->Count(), 1);
}

// A failure at each provider call of a user's Remove gives False and keeps the membership;
// a failed listing inside Remove gives False too.
TEST_F(GroupsTest, RemoveTrapsEveryProviderCall) {
  for (const char16_t* member : {u"IADs.ADsPath", u"GetObject", u"IADsGroup.Remove"}) {
    auto mine = UserGroups();
    EXPECT_EQ(mine->Count(), 3);
    FailOn(layer->Faults(), member);
    EXPECT_FALSE(mine->Remove(Variant(u"Staff"))) << ToUtf8(member);
    layer->Faults().Clear();
    EXPECT_EQ(dir->MembersOf(staff).size(), 2u) << ToUtf8(member);
  }
  auto mine = UserGroups();
  FailOn(layer->Faults(), u"GetObject");
  EXPECT_EQ(ErrorCodeOf([&] { EXPECT_FALSE(mine->Remove(Variant(u"Staff"))); }), 0);
}

}  // namespace
}  // namespace moxtrel
