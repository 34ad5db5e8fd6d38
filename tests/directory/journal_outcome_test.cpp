// Each journal entry carries how its call ended, the trace prints it, and an error that a
// member of the object model traps marks the call it came from.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "moxtrel/accounts/users.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/servers/server.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::Bind;
using directory::IADsUser;
using directory::JournalEntry;
using directory::JournalLayer;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class JournalOutcomeTest : public DirectoryTest {
 protected:
  void SetUp() override { alice = build.AddUser(build.AddComputer(u"", u"PC1"), u"alice"); }
  std::u16string alice;
};

// A call that returns is "ok"; one that fails, in the provider or by an armed fault, carries the
// code and description it failed with, and the error names the call.
TEST_F(JournalOutcomeTest, EntriesCarryTheOutcome) {
  auto user = Bind<IADsUser>(alice);
  std::u16string why;
  EXPECT_EQ(ErrorCodeOf([] { Bind<IADsUser>(u"WinNT://PC1/nobody,user"); }, &why),
            errc::kNoSuchObject);
  layer->Faults().Add({.member = u"IADsUser.FullName", .code = errc::kAccessDenied});
  AutomationError faulted(0, u"");
  try {
    user->FullName();
  } catch (const AutomationError& e) {
    faulted = e;
  }
  user->Description();

  const auto& entries = layer->Journal().Entries();
  ASSERT_EQ(entries.size(), 4u) << layer->Journal().Dump();
  EXPECT_EQ(entries[0].outcome, JournalEntry::Outcome::kOk);
  EXPECT_EQ(entries[0].TraceLine(), u"DirectoryProvider.GetObject " + alice + u" -> ok");
  EXPECT_TRUE(entries[1].failed());
  EXPECT_EQ(entries[1].code, static_cast<int32_t>(errc::kNoSuchObject));
  EXPECT_EQ(entries[1].error, why);
  EXPECT_EQ(entries[1].TraceLine(),
            u"DirectoryProvider.GetObject WinNT://PC1/nobody,user -> 0x80070002 " + why);
  EXPECT_EQ(entries[2].code, static_cast<int32_t>(errc::kAccessDenied));
  EXPECT_EQ(entries[3].outcome, JournalEntry::Outcome::kOk);

  const auto failed = layer->Journal().Failed();
  ASSERT_EQ(failed.size(), 2u);
  EXPECT_EQ(failed[1].member, u"FullName");
  EXPECT_EQ(faulted.code(), static_cast<int32_t>(errc::kAccessDenied));
  EXPECT_EQ(faulted.call(), u"IADsUser.FullName " + alice);
  EXPECT_EQ(faulted.call_member(), u"IADsUser.FullName");
  EXPECT_THAT(layer->Journal().Dump(), HasSubstr("-> 0x80070005 Injected failure"));
}

// The trace sees each call once it has returned, with its outcome, and again when a member
// traps its error; a journal that keeps nothing still names the failed call in the error.
TEST_F(JournalOutcomeTest, TraceShowsOutcomesAndTheTrappingMember) {
  std::vector<std::u16string> lines;
  layer->Journal().SetCapacity(0);
  layer->SetTraceSink([&](const JournalEntry& e) {
    lines.push_back(e.trapped_by.empty() ? e.TraceLine() : u"trapped by " + e.trapped_by);
  });
  auto server = moxServer::Create();
  server->Name(u"PC1");
  auto users = server->Users();
  std::u16string duplicate = u"ALICE";
  ClearLastTrappedFailure();
  EXPECT_FALSE(users->Add(duplicate));
  layer->SetTraceSink(nullptr);

  ASSERT_GE(lines.size(), 3u);
  EXPECT_NE(lines.front().find(u" -> ok"), std::u16string::npos) << ToUtf8(lines.front());
  EXPECT_EQ(lines.back(), u"trapped by moxUsers.Add");
  EXPECT_NE(lines[lines.size() - 2].find(u"IADsContainer.Create WinNT://PC1"), std::u16string::npos)
      << ToUtf8(lines[lines.size() - 2]);
  EXPECT_NE(lines[lines.size() - 2].find(u" -> 0x8000500E "), std::u16string::npos)
      << ToUtf8(lines[lines.size() - 2]);
  auto failure = LastTrappedFailure();
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->member, u"moxUsers.Add");
  EXPECT_EQ(failure->source, u"IADsContainer.Create");
  EXPECT_EQ(failure->code, static_cast<int32_t>(errc::kObjectExists));
  EXPECT_EQ(failure->call, u"IADsContainer.Create WinNT://PC1 (\"user\", \"ALICE\")");
}

// Without a sink, a journal or faults, the layer keeps nothing and still names a failed call;
// a journaled call whose error a member trapped is marked with that member.
TEST_F(JournalOutcomeTest, FailedCallsAreNamedAndMarked) {
  auto container = Bind<directory::IADsContainer>(u"WinNT://PC1,computer");
  layer->Journal().SetCapacity(0);
  std::u16string call;
  try {
    container->Delete(u"user", u"nobody");
  } catch (const AutomationError& e) {
    call = std::u16string(e.call());
  }
  EXPECT_EQ(call, u"IADsContainer.Delete WinNT://PC1 (\"user\", \"nobody\")");

  layer->Journal().SetCapacity(directory::CallJournal::kDefaultCapacity);
  auto server = moxServer::Create();
  server->Name(u"PC1");
  auto users = server->Users();
  users->Count();
  layer->Journal().Clear();
  layer->Faults().Add({.member = u"IADsContainer.Delete", .code = errc::kAccessDenied});
  EXPECT_FALSE(users->Remove(Variant(u"alice")));
  const auto failed = layer->Journal().Failed();
  ASSERT_EQ(failed.size(), 1u) << layer->Journal().Dump();
  EXPECT_EQ(failed[0].trapped_by, u"moxUsers.Remove");
  EXPECT_NE(failed[0].TraceLine().find(u"-> 0x80070005 Injected failure"), std::u16string::npos)
      << ToUtf8(failed[0].TraceLine());
  EXPECT_TRUE(failed[0].TraceLine().ends_with(u"(trapped by moxUsers.Remove)"));
  EXPECT_TRUE(dir->Contains(alice));
}

}  // namespace
}  // namespace moxtrel::testing
