#include "moxtrel/accounts/users.h"

#include <gtest/gtest.h>

#include "account_seed.h"
#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/servers/server.h"

namespace moxtrel {
namespace {

using testing::ErrorCodeOf;
using testing::FailOn;

class UsersTest : public testing::AccountsTest {
 protected:
  std::shared_ptr<moxUsers> DomainUsers() {
    domain = moxDomain::Create();
    domain->Name(u"CORP");
    layer->Journal().Clear();
    return domain->Users();
  }
  std::shared_ptr<moxUsers> GroupUsers(const std::u16string& name, const std::u16string& parent) {
    group = moxGroup::Create();
    EXPECT_TRUE(group->Find(name, parent));
    layer->Journal().Clear();
    return group->Users();
  }
  std::shared_ptr<moxDomain> domain;
  std::shared_ptr<moxGroup> group;
};

// The domain listing reads the directory once, on the first read, and holds only the
// domain's accounts as bound global users keyed by name in the provider's order.
TEST_F(UsersTest, DomainListingIsLazyAndHoldsGlobalAccounts) {
  auto users = DomainUsers();
  EXPECT_EQ(layer->Journal().Size(), 0u);
  ASSERT_EQ(users->Count(), 2);
  EXPECT_EQ(Calls(u"GetObject", u"WinNT://CORP,domain"), 1u);
  EXPECT_EQ(Calls(u"IADsContainer.Filter.put"), 1u);
  const auto calls = layer->Journal().Size();
  EXPECT_EQ(users->Count(), 2);
  EXPECT_TRUE(users->Exists(Variant(u"BOB")));
  EXPECT_EQ(layer->Journal().Size(), calls);
  auto first = users->Item(Variant(int32_t{1}));
  EXPECT_EQ(first->UserName(), u"alice");
  EXPECT_EQ(first->UserType(), moxType::moxGlobal);
  EXPECT_EQ(first->Domain(), u"CORP");
  EXPECT_FALSE(users->Exists(Variant(u"admin")));
}

// A listing binds each account as a found user is bound (its parent, its name, and its path for
// its own Groups collection) and keys it by its UserName, read back from the directory.
TEST_F(UsersTest, ListingBindsEachAccountAndKeysItByUserName) {
  auto users = DomainUsers();
  ASSERT_EQ(users->Count(), 2);
  for (const std::u16string& account : {alice, bob}) {
    EXPECT_EQ(Calls(u"IADs.Parent", account), 1u);
    EXPECT_EQ(Calls(u"IADs.Name", account), 2u);
    EXPECT_EQ(Calls(u"IADs.ADsPath", account), 1u);
  }
  auto first = users->Item(Variant(u"alice"));
  layer->Journal().Clear();
  auto groups = first->Groups();
  ASSERT_NE(groups, nullptr);
  EXPECT_EQ(layer->Journal().Size(), 0u);  // made by the listing, not by this read
  EXPECT_TRUE(groups->Exists(Variant(u"Auditors")));
}

// The server listing holds the server's own accounts as local users; Add and Remove act on
// the computer.
TEST_F(UsersTest, ServerListingHoldsLocalAccounts) {
  auto server = moxServer::Create();
  server->Name(u"PC1");
  auto users = server->Users();
  layer->Journal().Clear();
  ASSERT_EQ(users->Count(), 2);
  EXPECT_EQ(Calls(u"GetObject", u"WinNT://PC1,computer"), 1u);
  EXPECT_EQ(users->Item(Variant(u"alice"))->UserType(), moxType::moxLocal);
  EXPECT_EQ(users->Item(Variant(u"alice"))->Server(), u"CORP/PC1");
  std::u16string name = u"guest";
  EXPECT_TRUE(users->Add(name));
  EXPECT_TRUE(dir->Contains(u"WinNT://CORP/PC1/guest,user"));
  EXPECT_TRUE(users->Remove(Variant(u"admin")));
  EXPECT_FALSE(dir->Contains(admin));
  EXPECT_EQ(users->Count(), 2);
}

// Group listings take only members of class User; in a local group the type comes from
// comparing parent paths, so domain members are global and the server's own are local.
TEST_F(UsersTest, GroupListingsTypeMembersByParent) {
  auto staff_users = GroupUsers(u"Staff", u"CORP");
  EXPECT_EQ(staff_users->Count(), 2);
  auto local = GroupUsers(u"Administrators", u"PC1");
  ASSERT_EQ(local->Count(), 2);  // the member group Staff is not listed
  EXPECT_EQ(local->Item(Variant(u"admin"))->UserType(), moxType::moxLocal);
  EXPECT_EQ(local->Item(Variant(u"admin"))->Server(), u"CORP/PC1");
  EXPECT_EQ(local->Item(Variant(u"alice"))->UserType(), moxType::moxGlobal);
  EXPECT_EQ(local->Item(Variant(u"alice"))->Domain(), u"CORP");
  EXPECT_EQ(Calls(u"IADs.Parent", admins), 2u);  // once per user member
}

// Listing failures reach the reader, keep what was read and leave the collection stale, so
// the next read lists again; two members of one name fail at the second.
TEST_F(UsersTest, RefreshFailuresEscapeAndRetry) {
  auto users = GroupUsers(u"Administrators", u"PC1");
  FailOn(layer->Faults(), u"IADsGroup.Members");
  EXPECT_EQ(ErrorCodeOf([&] { users->Count(); }), static_cast<int32_t>(errc::kFail));
  EXPECT_EQ(users->Count(), 2);
  EXPECT_EQ(Calls(u"IADsGroup.Members"), 2u);

  build.AddMember(admins, local_alice);
  auto clashing = GroupUsers(u"Administrators", u"PC1");
  EXPECT_EQ(ErrorCodeOf([&] { clashing->Count(); }), static_cast<int32_t>(errc::kDuplicateKey));
  EXPECT_TRUE(clashing->NeedsRefresh());
  EXPECT_EQ(ErrorCodeOf([&] { clashing->Item(Variant(u"admin")); }),
            static_cast<int32_t>(errc::kDuplicateKey));
}

// Add creates a trimmed account with both texts written before the one commit, leaves the
// store alone and makes the next read list again; a group's listing refuses without a call.
TEST_F(UsersTest, AddCreatesAndMarksStale) {
  auto members = GroupUsers(u"Staff", u"CORP");
  std::u16string name = u"carol";
  EXPECT_FALSE(members->Add(name));
  EXPECT_EQ(layer->Journal().Size(), 0u);

  auto users = DomainUsers();
  EXPECT_EQ(users->Count(), 2);
  name = u"   ";
  EXPECT_FALSE(users->Add(name));
  EXPECT_EQ(name, u"");
  name = u" carol ";
  layer->Journal().Clear();
  ASSERT_TRUE(users->Add(name));
  EXPECT_EQ(name, u"carol");
  std::vector<std::u16string> expected{u"GetObject", u"IADsContainer.Create",
                                       u"IADsUser.Description.put", u"IADsUser.FullName.put",
                                       u"IADs.SetInfo"};
  auto members_called = layer->Journal().Members();
  ASSERT_EQ(members_called.size(), expected.size()) << layer->Journal().Dump();
  for (std::size_t i = 1; i < expected.size(); ++i) EXPECT_EQ(members_called[i], expected[i]);
  EXPECT_EQ(dir->Peek(u"WinNT://CORP/carol,user", u"FullName"), Variant(u""));
  EXPECT_TRUE(users->NeedsRefresh());
  EXPECT_EQ(users->Count(), 3);
  name = u"ALICE";
  EXPECT_FALSE(users->Add(name));  // the name is taken
}

// A failure at any provider call of Add gives False and creates nothing.
TEST_F(UsersTest, AddTrapsEveryProviderCall) {
  for (const char16_t* member : {u"GetObject", u"IADsContainer.Create", u"Description.put",
                                 u"FullName.put", u"IADs.SetInfo"}) {
    auto users = DomainUsers();
    layer->Faults().Clear();
    FailOn(layer->Faults(), member);
    std::u16string name = u"dave";
    EXPECT_FALSE(users->Add(name, u"Dave", u"New")) << ToUtf8(member);
    layer->Faults().Clear();
    EXPECT_FALSE(dir->Contains(u"WinNT://CORP/dave,user")) << ToUtf8(member);
  }
}

// Remove in a group's listing only ends the membership; in the domain listing it deletes the
// account; an unknown key gives False; the entry stays until the next read.
TEST_F(UsersTest, RemoveDetachesOrDeletes) {
  auto members = GroupUsers(u"Staff", u"CORP");
  EXPECT_FALSE(members->Remove(Variant(u"nobody")));
  EXPECT_TRUE(members->Remove(Variant(u"alice")));
  EXPECT_TRUE(dir->Contains(alice));
  EXPECT_EQ(dir->MembersOf(staff).size(), 1u);
  EXPECT_TRUE(members->NeedsRefresh());
  EXPECT_EQ(members->Count(), 1);

  auto users = DomainUsers();
  EXPECT_TRUE(users->Remove(Variant(u"bob")));
  EXPECT_EQ(Calls(u"IADsContainer.Delete"), 1u);
  EXPECT_FALSE(dir->Contains(bob));
  // The stale collection lists again inside Remove, and that listing's failure escapes.
  FailOn(layer->Faults(), u"GetObject", u"WinNT://CORP,domain");
  EXPECT_EQ(ErrorCodeOf([&] { users->Remove(Variant(int32_t{1})); }),
            static_cast<int32_t>(errc::kFail));
  EXPECT_EQ(users->Count(), 1);
}

// A failure at any provider call of a group's Remove gives False and keeps the membership.
TEST_F(UsersTest, RemoveTrapsEveryProviderCall) {
  for (const char16_t* member : {u"GetObject", u"IADs.ADsPath", u"IADsGroup.Remove"}) {
    auto members = GroupUsers(u"Auditors", u"CORP");
    EXPECT_EQ(members->Count(), 1);
    FailOn(layer->Faults(), member);
    EXPECT_FALSE(members->Remove(Variant(u"alice"))) << ToUtf8(member);
    layer->Faults().Clear();
    EXPECT_EQ(dir->MembersOf(auditors).size(), 1u) << ToUtf8(member);
  }
}

}  // namespace
}  // namespace moxtrel
