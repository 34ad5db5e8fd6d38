#include "moxtrel/accounts/user.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "account_seed.h"
#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel {
namespace {

using ::testing::ElementsAre;
using testing::ErrorCodeOf;
using testing::FailOn;

class UserTest : public testing::AccountsTest {
 protected:
  std::shared_ptr<moxUser> FindAlice() {
    auto user = moxUser::Create();
    EXPECT_TRUE(user->Find(u"alice", u"CORP", moxType::moxGlobal));
    layer->Journal().Clear();
    return user;
  }
  std::vector<std::u16string> Args(std::u16string_view member) const {
    for (const auto& e : layer->Journal().Entries()) {
      if (e.interface + u"." + e.member == member) return e.args;
    }
    return {};
  }
};

// An unbound user answers every get with an empty value and ignores every put and method,
// all without a provider call.
TEST_F(UserTest, UnboundUserNeverCallsTheProvider) {
  auto user = moxUser::Create();
  std::u16string group = u" Staff ";
  EXPECT_FALSE(user->Exists() || user->AccountDisabled() || user->AccountLocked() ||
               user->PasswordCantChange() || user->PasswordDoesntExpire() ||
               user->PasswordRequired() || user->MustChangePasswordNextLogon());
  EXPECT_EQ(user->FullName() + user->Description() + user->GUID() + user->HomeDirDrive() +
                user->HomeDirectory() + user->LoginScript() + user->Profile() + user->SID() +
                user->UserName() + user->Domain() + user->Server(),
            u"");
  EXPECT_EQ(user->AccountExpirationDate(), Date{});
  EXPECT_EQ(user->PasswordAge(), Date{});
  EXPECT_EQ(user->PasswordExpired(), Date{});
  EXPECT_EQ(user->MaxStorage() + user->PasswordMinimumLength(), 0);
  EXPECT_EQ(user->UserType(), moxType{0});
  EXPECT_EQ(user->Groups(), nullptr);
  user->FullName(u"x");
  user->AccountLocked(false);
  user->PasswordCantChange(false);
  user->MustChangePasswordNextLogon(true);
  user->UserName(u"renamed");
  EXPECT_FALSE(user->SetPassword(u"pw") || user->AddToGroup(group) || user->RemoveFromGroup(group));
  EXPECT_EQ(group, u" Staff ");  // an unbound user does not even trim
  EXPECT_EQ(user->UserName(), u"");
  EXPECT_EQ(layer->Journal().Size(), 0u) << layer->Journal().Dump();
}

// Bad Find arguments give False without a call; good ones are trimmed into the path and the
// parent is stored as the provider reports it.
TEST_F(UserTest, FindChecksTrimsAndBinds) {
  auto user = moxUser::Create();
  EXPECT_FALSE(user->Find(u"  ", u"CORP", moxType::moxGlobal));
  EXPECT_FALSE(user->Find(u"alice", u"", moxType::moxGlobal));
  EXPECT_FALSE(user->Find(u"alice", u"CORP", moxType{0}));
  EXPECT_FALSE(user->Find(u"alice", u"CORP", moxType{3}));
  EXPECT_EQ(layer->Journal().Size(), 0u);

  ASSERT_TRUE(user->Find(u" alice ", u" CORP ", moxType::moxGlobal));
  EXPECT_EQ(Calls(u"GetObject", u"WinNT://CORP/alice,user"), 1u) << layer->Journal().Dump();
  EXPECT_TRUE(user->Exists());
  EXPECT_EQ(user->Domain(), u"CORP");
  EXPECT_EQ(user->Server(), u"");
  EXPECT_EQ(user->UserType(), moxType::moxGlobal);
  EXPECT_EQ(user->FullName(), u"Alice Liddell");
  ASSERT_NE(user->Groups(), nullptr);
  EXPECT_TRUE(user->Groups()->Exists(Variant(u"Staff")));
  EXPECT_TRUE(user->Groups()->Exists(Variant(u"Auditors")));

  auto local = moxUser::Create();
  ASSERT_TRUE(local->Find(u"alice", u"PC1", moxType::moxLocal));
  EXPECT_EQ(local->Server(), u"CORP/PC1");
  EXPECT_EQ(local->Domain(), u"");
}

// A failed Find, whether the lookup or a later read fails, leaves the earlier binding whole.
TEST_F(UserTest, FailedFindKeepsThePreviousBinding) {
  auto user = FindAlice();
  auto groups = user->Groups();
  EXPECT_FALSE(user->Find(u"nobody", u"CORP", moxType::moxGlobal));
  FailOn(layer->Faults(), u"IADs.ADsPath", u"WinNT://CORP/bob");
  EXPECT_FALSE(user->Find(u"bob", u"CORP", moxType::moxGlobal));
  FailOn(layer->Faults(), u"IADs.Parent", admin);
  EXPECT_FALSE(user->Find(u"admin", u"PC1", moxType::moxLocal));
  EXPECT_EQ(user->UserName(), u"alice");
  EXPECT_EQ(user->Groups(), groups);
  EXPECT_EQ(user->UserType(), moxType::moxGlobal);
  EXPECT_EQ(user->Server(), u"");
}

// A rename moves the account, rebinds under the new name through the stored parent, keeps the
// same Groups object and lets it list the memberships of the renamed account.
TEST_F(UserTest, RenameRebindsAndKeepsGroups) {
  auto local = moxUser::Create();
  ASSERT_TRUE(local->Find(u"admin", u"PC1", moxType::moxLocal));
  layer->Journal().Clear();
  local->UserName(u" root ");
  EXPECT_EQ(Calls(u"IADsContainer.MoveHere"), 1u);
  EXPECT_EQ(Calls(u"GetObject", u"WinNT://CORP/PC1/root,user"), 1u) << layer->Journal().Dump();
  EXPECT_TRUE(local->Exists());
  EXPECT_EQ(local->UserName(), u"root");

  auto user = FindAlice();
  auto groups = user->Groups();
  user->UserName(u"   ");
  EXPECT_EQ(layer->Journal().Size(), 0u);
  FailOn(layer->Faults(), u"MoveHere");
  user->UserName(u"alicia");
  EXPECT_EQ(user->UserName(), u"alice");
  user->UserName(u"alicia");
  EXPECT_TRUE(user->Exists());
  EXPECT_EQ(user->UserName(), u"alicia");
  EXPECT_EQ(user->Groups(), groups);
  EXPECT_EQ(groups->Count(), 3);  // Staff, Auditors and PC1's Administrators

  // Renamed before Groups was first read: the collection lists the renamed account, and the
  // rename reads the path once, as it does when the collection was already read.
  auto other = moxUser::Create();
  ASSERT_TRUE(other->Find(u"alicia", u"CORP", moxType::moxGlobal));
  layer->Journal().Clear();
  other->UserName(u"ally");
  EXPECT_EQ(Calls(u"IADs.ADsPath"), 2u) << layer->Journal().Dump();
  EXPECT_EQ(other->Groups()->Count(), 3);
  EXPECT_EQ(other->Groups(), other->Groups());
  // A local account's path names its computer and domain; its groups are those of PC1.
  EXPECT_TRUE(local->Groups()->Exists(Variant(u"Administrators")));
}

// Puts trim strings and commit each write; a True AccountLocked does nothing; a failing write
// reaches the caller and skips the commit; the expiry read is trapped.
TEST_F(UserTest, PropertyWritesCommitAtOnce) {
  auto user = FindAlice();
  user->Description(u"  Reviewer ");
  EXPECT_THAT(layer->Journal().Members(),
              ElementsAre(u"IADsUser.Description.put", u"IADs.SetInfo"));
  EXPECT_EQ(Args(u"IADsUser.Description.put"), std::vector<std::u16string>{u"\"Reviewer\""});
  EXPECT_EQ(user->Description(), u"Reviewer");

  layer->Journal().Clear();
  user->AccountLocked(true);
  EXPECT_EQ(layer->Journal().Size(), 0u);
  user->AccountLocked(false);
  EXPECT_THAT(layer->Journal().Members(),
              ElementsAre(u"IADsUser.IsAccountLocked.put", u"IADs.SetInfo"));

  FailOn(layer->Faults(), u"FullName.put");
  layer->Journal().Clear();
  EXPECT_NE(ErrorCodeOf([&] { user->FullName(u"X"); }), 0);
  EXPECT_EQ(Calls(u"IADs.SetInfo"), 0u);
  FailOn(layer->Faults(), u"IADsUser.FullName");
  EXPECT_NE(ErrorCodeOf([&] { user->FullName(); }), 0);

  user->AccountExpirationDate(Date{1.0});
  EXPECT_EQ(user->AccountExpirationDate(), Date::FromCivil(1970, 1, 1));
  user->AccountExpirationDate(Date{2.0});
  EXPECT_EQ(user->AccountExpirationDate(), Date{2.0});
  FailOn(layer->Faults(), u"IADsUser.AccountExpirationDate");
  EXPECT_EQ(user->AccountExpirationDate(), Date{});
}

// The flag bits are read, changed and written back in the documented order, always committed.
TEST_F(UserTest, UserFlagBitsUpdateInOrder) {
  auto user = FindAlice();
  user->PasswordCantChange(false);  // bit clear: one read, no write
  EXPECT_THAT(layer->Journal().Members(), ElementsAre(u"IADs.Get", u"IADs.SetInfo"));
  layer->Journal().Clear();
  user->PasswordCantChange(true);
  EXPECT_THAT(layer->Journal().Members(), ElementsAre(u"IADs.Get", u"IADs.Put", u"IADs.SetInfo"));
  EXPECT_EQ(dir->Peek(alice, u"UserFlags"), Variant(int32_t{0x241}));
  layer->Journal().Clear();
  user->PasswordCantChange(false);  // bit set: read by the get, read again, clear it
  EXPECT_THAT(layer->Journal().Members(),
              ElementsAre(u"IADs.Get", u"IADs.Get", u"IADs.Put", u"IADs.SetInfo"));
  EXPECT_EQ(dir->Peek(alice, u"UserFlags"), Variant(int32_t{0x201}));
  user->PasswordDoesntExpire(true);
  EXPECT_EQ(dir->Peek(alice, u"UserFlags"), Variant(int32_t{0x10201}));
  EXPECT_TRUE(user->PasswordDoesntExpire());
  EXPECT_FALSE(user->PasswordCantChange());
}

// Attribute conversions: the SID as hex pairs, the expiry flag as a number, ages as dates.
TEST_F(UserTest, AttributeConversions) {
  auto user = FindAlice();
  dir->Poke(alice, u"ObjectSID", Variant(ByteArray{1, 5, 0, 0xAB}));
  EXPECT_EQ(user->SID(), u"010500AB");
  dir->Poke(alice, u"ObjectSID", Variant(ByteArray{}));
  EXPECT_EQ(user->SID(), u"");

  user->MustChangePasswordNextLogon(true);
  EXPECT_EQ(Args(u"IADs.Put"), (std::vector<std::u16string>{u"\"PasswordExpired\"", u"1"}));
  EXPECT_TRUE(user->MustChangePasswordNextLogon());
  EXPECT_EQ(user->PasswordExpired(), Date{1.0});
  dir->Poke(alice, u"PasswordExpired", Variant(int32_t{7}));
  EXPECT_TRUE(user->MustChangePasswordNextLogon());

  dir->Poke(alice, u"PasswordAge", Variant(int32_t{2958465}));
  EXPECT_EQ(user->PasswordAge(), Date{2958465.0});
  dir->Poke(alice, u"PasswordAge", Variant(int32_t{2958466}));
  try {
    user->PasswordAge();
    ADD_FAILURE() << "no overflow";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.code(), static_cast<int32_t>(errc::kOverflow));
    EXPECT_EQ(e.description().rfind(u"PasswordAge: ", 0), 0u);  // names the property
  }
}

// SetPassword sends the trimmed password without a commit and turns a refusal into False.
TEST_F(UserTest, SetPasswordTrimsAndTraps) {
  auto user = FindAlice();
  EXPECT_TRUE(user->SetPassword(u"  s3cret! "));
  EXPECT_THAT(layer->Journal().Members(), ElementsAre(u"IADsUser.SetPassword"));
  EXPECT_TRUE(dir->PasswordMatches(alice, u"s3cret!"));
  FailOn(layer->Faults(), u"SetPassword");
  EXPECT_FALSE(user->SetPassword(u"other"));
}

// Membership changes pick the group's container by scope and server, write the trimmed group
// name back, and replace Groups only on success.
TEST_F(UserTest, MembershipChangesChooseTheGroupPath) {
  auto user = FindAlice();
  std::u16string group = u"   ";
  EXPECT_FALSE(user->AddToGroup(group));
  EXPECT_EQ(group, u"");
  auto local = moxUser::Create();
  ASSERT_TRUE(local->Find(u"admin", u"PC1", moxType::moxLocal));
  layer->Journal().Clear();
  group = u"Administrators";
  EXPECT_FALSE(local->AddToGroup(group, u"PC1"));
  EXPECT_EQ(layer->Journal().Size(), 0u);
  EXPECT_TRUE(local->RemoveFromGroup(group, u"  "));  // blanks count as no server
  EXPECT_EQ(Calls(u"GetObject", u"WinNT://CORP/PC1/Administrators,group"), 1u);

  group = u"Auditors";
  EXPECT_FALSE(user->AddToGroup(group, u"  "));  // blanks stand in for a server name
  EXPECT_EQ(Calls(u"GetObject", u"WinNT://  /Auditors,group"), 1u) << layer->Journal().Dump();
  group = u" Auditors ";
  EXPECT_TRUE(user->RemoveFromGroup(group, u"  "));
  EXPECT_EQ(group, u"Auditors");
  EXPECT_EQ(Calls(u"GetObject", u"WinNT://CORP/Auditors,group"), 1u);

  auto before = user->Groups();
  EXPECT_TRUE(before->Exists(Variant(u"Administrators")));
  group = u"Administrators";
  EXPECT_TRUE(user->RemoveFromGroup(group, u"PC1"));
  EXPECT_NE(user->Groups(), before);
  layer->Journal().Clear();
  EXPECT_FALSE(user->Groups()->Exists(Variant(u"Administrators")));
  EXPECT_EQ(Calls(u"IADsUser.Groups"), 1u);
}

// A provider failure at each call of AddToGroup gives False and leaves Groups as it was.
TEST_F(UserTest, AddToGroupTrapsEveryProviderCall) {
  struct Failure {
    std::u16string member, path;
    int32_t ordinal;
  };
  const std::vector<Failure> faults = {
      {u"GetObject", u"WinNT://CORP/Auditors,group", 1},
      {u"IADs.ADsPath", u"WinNT://CORP/bob", 1},
      {u"IADsGroup.Add", u"", 1},
      {u"IADs.ADsPath", u"WinNT://CORP/bob", 2},
  };
  for (const auto& fault : faults) {
    auto user = moxUser::Create();
    ASSERT_TRUE(user->Find(u"bob", u"CORP", moxType::moxGlobal));
    auto before = user->Groups();
    layer->Faults().Clear();
    FailOn(layer->Faults(), fault.member, fault.path, fault.ordinal);
    std::u16string group = u"Auditors";
    EXPECT_FALSE(user->AddToGroup(group)) << ToUtf8(fault.member);
    EXPECT_EQ(user->Groups(), before) << ToUtf8(fault.member);
    layer->Faults().Clear();
    if (dir->MembersOf(auditors).size() > 1) {
      ASSERT_TRUE(user->RemoveFromGroup(group));
    }
  }
}

}  // namespace
}  // namespace moxtrel
