// The object model's local accounts, users, groups and membership, held to the same behaviour on
// every backend that stores them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "support/backend_suite.h"

namespace moxtrel::testing {
namespace {

using ::testing::UnorderedElementsAre;

class AccountsSuite : public BackendTest {
 protected:
  std::shared_ptr<moxUser> FindUser(const std::u16string& name) {
    auto user = moxUser::Create();
    return user->Find(name, backend->Container(), backend->Scope()) ? user : nullptr;
  }
  std::shared_ptr<moxGroup> FindGroup(const std::u16string& name) {
    auto group = moxGroup::Create();
    return group->Find(name, backend->Container()) ? group : nullptr;
  }
  template <class Collection>
  std::vector<std::u16string> Names(const std::shared_ptr<Collection>& c) {
    std::vector<std::u16string> out;
    for (int32_t i = 1; i <= c->Count(); ++i) {
      auto item = c->Item(Variant(i));
      if constexpr (std::is_same_v<Collection, moxUsers>) {
        out.push_back(item->UserName());
      } else {
        out.push_back(item->Name());
      }
    }
    return out;
  }
};

// A container lists its accounts, each reading its properties from the backend.
TEST_P(AccountsSuite, ListsAccountsAndTheirProperties) {
  EXPECT_THAT(Names(Users()), UnorderedElementsAre(u"alice", u"bob"));
  EXPECT_THAT(Names(Groups()), UnorderedElementsAre(u"users", u"staff", u"admins"));
  auto alice = Users()->Item(Variant(u"ALICE"));
  EXPECT_EQ(alice->FullName(), u"Alice Liddell");
  EXPECT_EQ(alice->Description(), u"Engineer");
  EXPECT_EQ(alice->UserType(), backend->Scope());
  EXPECT_EQ(backend->Scope() == moxType::moxLocal ? alice->Server() : alice->Domain(),
            backend->Container());
  EXPECT_EQ(Groups()->Item(Variant(u"staff"))->GroupType(), backend->Scope());
  EXPECT_FALSE(Users()->Exists(Variant(u"carol")));
}

// A property write is one provider write committed with SetInfo, and a new view reads it back.
TEST_P(AccountsSuite, WritesCommitAndReadBack) {
  auto alice = FindUser(u"alice");
  ASSERT_TRUE(alice);
  layer->Journal().Clear();
  alice->FullName(u"Alice P. Liddell");
  EXPECT_EQ(layer->Journal().Count(u"IADsUser.FullName.put"), 1u);
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 1u);
  alice->Description(u"Lead engineer");
  auto again = FindUser(u"alice");
  EXPECT_EQ(again->FullName(), u"Alice P. Liddell");
  EXPECT_EQ(again->Description(), u"Lead engineer");
  EXPECT_EQ(layer->Faults().Fired(), 0u);
}

// Passwords are set at once and never reach the journal.
TEST_P(AccountsSuite, SetsPasswords) {
  auto bob = FindUser(u"bob");
  ASSERT_TRUE(bob);
  layer->Journal().Clear();
  EXPECT_TRUE(bob->SetPassword(u"Correct-Horse-7"));
  EXPECT_EQ(layer->Journal().Count(u"IADsUser.SetPassword"), 1u);
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 0u);
  EXPECT_EQ(layer->Journal().Dump().find("Correct-Horse"), std::string::npos);
}

// Membership from both sides: a user joins and leaves a group; a group lists its users.
TEST_P(AccountsSuite, MembershipFromUserAndGroup) {
  auto bob = FindUser(u"bob");
  ASSERT_TRUE(bob);
  std::u16string group = u" admins ";
  EXPECT_TRUE(bob->AddToGroup(group));
  EXPECT_EQ(group, u"admins");
  EXPECT_THAT(Names(FindGroup(u"admins")->Users()), UnorderedElementsAre(u"bob"));
  EXPECT_THAT(Names(bob->Groups()), UnorderedElementsAre(u"users", u"admins"));
  // Joining twice is refused by the backend, and reported as False.
  EXPECT_FALSE(bob->AddToGroup(group));
  EXPECT_TRUE(bob->RemoveFromGroup(group));
  EXPECT_TRUE(Names(FindGroup(u"admins")->Users()).empty());
  std::u16string missing = u"nosuchgroup";
  EXPECT_FALSE(bob->AddToGroup(missing));

  auto alice = FindUser(u"alice");
  EXPECT_THAT(Names(alice->Groups()), UnorderedElementsAre(u"users", u"staff"));
  EXPECT_THAT(Names(FindGroup(u"users")->Users()), UnorderedElementsAre(u"alice", u"bob"));
  EXPECT_TRUE(alice->Groups()->Remove(Variant(u"staff")));
  EXPECT_EQ(FindGroup(u"staff")->Users()->Count(), 0);
}

// Accounts are added, renamed and removed through the collections; bad names change nothing.
TEST_P(AccountsSuite, AddsRenamesAndRemovesAccounts) {
  std::u16string carol = u"carol";
  ASSERT_TRUE(Users()->Add(carol, u"Carol Ames"));
  EXPECT_EQ(FindUser(u"carol")->FullName(), u"Carol Ames");
  std::u16string again = u"CAROL";
  EXPECT_FALSE(Users()->Add(again));  // names are unique without regard to case
  std::u16string hostile = u"bad:name";
  EXPECT_FALSE(Users()->Add(hostile));
  std::u16string newline = u"bad\nname";
  EXPECT_FALSE(Users()->Add(newline));
  EXPECT_EQ(Users()->Count(), 3);

  FindUser(u"carol")->UserName(u"carla");
  EXPECT_FALSE(FindUser(u"carol"));
  ASSERT_TRUE(FindUser(u"carla"));
  EXPECT_EQ(FindUser(u"carla")->FullName(), u"Carol Ames");

  auto users = Users();
  EXPECT_TRUE(users->Remove(Variant(u"carla")));
  EXPECT_FALSE(users->Remove(Variant(u"carla")));
  EXPECT_FALSE(FindUser(u"carla"));

  std::u16string team = u"team";
  ASSERT_TRUE(Groups()->Add(team));
  EXPECT_TRUE(FindGroup(u"team"));
  EXPECT_TRUE(Groups()->Remove(Variant(u"team")));
  EXPECT_FALSE(FindGroup(u"team"));
}

// A failing provider call in the middle of an operation is trapped as the model says, and the
// backend is left as it was.
TEST_P(AccountsSuite, FailuresLeaveTheBackendAsItWas) {
  layer->Faults().Add({.member = u"IADs.SetInfo"});
  std::u16string dan = u"dan";
  EXPECT_FALSE(Users()->Add(dan));
  EXPECT_EQ(layer->Faults().Fired(), 1u);
  EXPECT_FALSE(FindUser(u"dan"));
  layer->Faults().Add({.member = u"IADsGroup.Add"});
  auto bob = FindUser(u"bob");
  std::u16string staff = u"staff";
  EXPECT_FALSE(bob->AddToGroup(staff));
  EXPECT_THAT(Names(FindGroup(u"staff")->Users()), UnorderedElementsAre(u"alice"));
}

// A False from Add, Find or Remove leaves its reason beside it: the error, the call that
// raised it and the member that trapped it; the journal and the trace carry each call's outcome.
TEST_P(AccountsSuite, FalseResultsLeaveTheirReason) {
  auto users = Users();
  users->Count();
  std::vector<std::u16string> trace;
  layer->SetTraceSink([&](const directory::JournalEntry& e) {
    trace.push_back(e.trapped_by.empty() ? e.TraceLine() : u"trapped by " + e.trapped_by);
  });
  layer->Journal().Clear();
  ClearLastTrappedFailure();
  std::u16string duplicate = u"ALICE";
  EXPECT_FALSE(users->Add(duplicate));
  auto failure = LastTrappedFailure();
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->member, u"moxUsers.Add");
  EXPECT_NE(failure->code, 0);
  EXPECT_FALSE(failure->description.empty());
  auto failed = layer->Journal().Failed();
  ASSERT_EQ(failed.size(), 1u) << layer->Journal().Dump();
  EXPECT_EQ(failed[0].trapped_by, u"moxUsers.Add");
  EXPECT_EQ(failed[0].code, failure->code);
  EXPECT_EQ(failure->call, failed[0].ToString());
  EXPECT_EQ(failure->source, failed[0].interface + u"." + failed[0].member);
  ASSERT_GE(trace.size(), 2u);
  EXPECT_EQ(trace.back(), u"trapped by moxUsers.Add");
  EXPECT_TRUE(failed[0].TraceLine().starts_with(trace[trace.size() - 2]));
  EXPECT_NE(trace[trace.size() - 2].find(u" -> 0x"), std::u16string::npos);
  EXPECT_NE(trace.front().find(u" -> ok"), std::u16string::npos) << ToUtf8(trace.front());
  layer->SetTraceSink(nullptr);

  auto user = moxUser::Create();
  EXPECT_FALSE(user->Find(u"nobody", backend->Container(), backend->Scope()));
  failure = LastTrappedFailure();
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->member, u"moxUser.Find");
  EXPECT_NE(failure->source, kLibrarySource);
  EXPECT_NE(failure->call.find(u"nobody"), std::u16string::npos);

  EXPECT_FALSE(users->Remove(Variant(u"nobody")));  // no such member: no provider call failed
  failure = LastTrappedFailure();
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->member, u"moxUsers.Remove");
  EXPECT_EQ(failure->source, kLibrarySource);
  EXPECT_TRUE(failure->call.empty());

  layer->Faults().Add({.member = u"IADsContainer.Delete", .code = errc::kAccessDenied});
  EXPECT_FALSE(users->Remove(Variant(u"bob")));
  failure = LastTrappedFailure();
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->member, u"moxUsers.Remove");
  EXPECT_EQ(failure->code, static_cast<int32_t>(errc::kAccessDenied));
  EXPECT_EQ(failure->source, u"IADsContainer.Delete");
  EXPECT_TRUE(FindUser(u"bob"));
  ClearLastTrappedFailure();
}

// Threads, each with its own objects, add accounts to one backend at once while another lists
// them; no change is lost. (Deleting while another thread lists may fail that listing, as a
// directory changed under a reader does.)
TEST_P(AccountsSuite, ThreadsKeepEveryChange) {
  constexpr int kThreads = 3;
  constexpr int kRounds = 6;
  std::atomic<int> failures{0};
  std::atomic<bool> adding{true};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      try {
        auto users = Users();
        for (int i = 0; i < kRounds; ++i) {
          std::u16string name = u"t" + FromUtf8(std::to_string(t) + "x" + std::to_string(i));
          if (!users->Add(name)) ++failures;
        }
      } catch (const AutomationError& e) {
        ADD_FAILURE() << ToUtf8(e.description());
        ++failures;
      }
    });
  }
  std::thread reader([&] {
    try {
      while (adding) Users()->Count();
    } catch (const AutomationError& e) {
      ADD_FAILURE() << ToUtf8(e.description());
      ++failures;
    }
  });
  for (auto& t : threads) t.join();
  adding = false;
  reader.join();
  EXPECT_EQ(failures.load(), 0);
  auto users = Users();
  EXPECT_EQ(users->Count(), 2 + kThreads * kRounds);
  EXPECT_TRUE(users->Remove(Variant(u"t1x3")));
  EXPECT_EQ(Users()->Count(), 1 + kThreads * kRounds);
}

INSTANTIATE_TEST_SUITE_P(Backends, AccountsSuite, ::testing::ValuesIn(AccountBackends()),
                         BackendName);

}  // namespace
}  // namespace moxtrel::testing
