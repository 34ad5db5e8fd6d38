#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/servers/server.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::Bind;
using directory::CallJournal;
using directory::IADsContainer;
using directory::IADsGroup;
using directory::IADsUser;
using directory::JournalEntry;
using directory::JournalLayer;
using directory::MemoryDirectory;

class JournalLayerTest : public DirectoryTest {
 protected:
  void SetUp() override {
    corp = build.AddDomain(u"CORP");
    alice = build.AddUser(corp, u"alice");
    staff = build.AddGroup(corp, u"staff");
    build.AddMember(staff, alice);
  }
  std::u16string corp, alice, staff;
};

// A walk tells how many objects it may still yield, through the layer as without it, and the
// telling is no call on the directory: the journal holds only the walk's own calls.
TEST_F(JournalLayerTest, AWalkTellsWhatIsLeftWithoutAJournaledCall) {
  build.AddUser(corp, u"bob");
  auto domain = Bind<IADsContainer>(corp);
  domain->Filter(Variant::StringArray({u"User"}));
  auto walk = domain->NewEnum();
  const auto before = layer->Journal().Size();
  EXPECT_EQ(walk->Remaining(), 2u);
  EXPECT_EQ(layer->Journal().Size(), before);
  ASSERT_TRUE(walk->Next());
  EXPECT_EQ(walk->Remaining(), 1u);
  ASSERT_TRUE(walk->Next());
  EXPECT_EQ(walk->Remaining(), 0u);
  EXPECT_FALSE(walk->Next());
  EXPECT_EQ(layer->Journal().Count(u"IADsEnum.Next", corp), 3u);
  auto plain = directory::As<IADsContainer>(dir->GetObject(corp))->NewEnum();
  EXPECT_EQ(plain->Remaining(), 3u);  // alice, staff and bob: no filter
  // A listing of the users that sizes its store from the hint still counts them all.
  auto corp_domain = moxDomain::Create();
  corp_domain->Name(u"CORP");
  EXPECT_EQ(corp_domain->Users()->Count(), 2);
  EXPECT_TRUE(corp_domain->Users()->Exists(Variant(u"BOB")));
}

// Objects reached through the layer in any way (bound, enumerated, created, member lists) are
// journaled; the same directory reached without the layer leaves no trace in it.
TEST_F(JournalLayerTest, WrapsEverythingItHandsOut) {
  auto domain = Bind<IADsContainer>(corp);
  auto walk = domain->NewEnum();
  while (auto object = walk->Next()) object->Name();
  auto created = domain->Create(u"user", u"carol");
  created->SetInfo();
  auto group = Bind<IADsGroup>(staff);
  auto members = group->Members()->NewEnum();
  auto member = directory::As<IADsUser>(members->Next());
  member->SetPassword(u"s3cret-not-logged");
  EXPECT_EQ(layer->Journal().Count(u"IADsEnum.Next", corp), 3u);  // alice, staff, end
  EXPECT_EQ(layer->Journal().Count(u"IADs.Name"), 2u);
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo", u"WinNT://CORP/carol"), 1u);
  EXPECT_EQ(layer->Journal().Count(u"IADsMembers.NewEnum", staff), 1u);
  EXPECT_EQ(layer->Journal().Count(u"IADsUser.SetPassword", alice), 1u);
  EXPECT_EQ(layer->Journal().Dump().find("s3cret"), std::string::npos);
  EXPECT_TRUE(dir->PasswordMatches(alice, u"s3cret-not-logged"));

  const auto before = layer->Journal().Size();
  directory::As<IADsUser>(dir->GetObject(alice))->FullName();
  EXPECT_EQ(layer->Journal().Size(), before);
}

// A call on an object deleted meanwhile is journaled under the path it last had, then fails.
TEST_F(JournalLayerTest, DeletedObjectsKeepTheirLastPath) {
  auto user = Bind<IADsUser>(alice);
  user->FullName();
  Bind<IADsContainer>(corp)->Delete(u"user", u"alice");
  layer->Journal().Clear();
  EXPECT_EQ(ErrorCodeOf([&] { user->FullName(); }), errc::kNoSuchObject);
  ASSERT_EQ(layer->Journal().Size(), 1u);
  EXPECT_EQ(layer->Journal().Entries()[0].path, alice);
}

// The journal keeps the newest entries within its capacity and gives memory back on Clear;
// a fault that never fired can be told from one that did.
TEST_F(JournalLayerTest, BoundedJournalAndObservableFaults) {
  auto& journal = layer->Journal();
  journal.SetCapacity(3);
  auto user = Bind<IADsUser>(alice);
  for (int i = 0; i < 5; ++i) user->Description();
  EXPECT_EQ(journal.Size(), 3u);
  EXPECT_EQ(journal.Dropped(), 3u);  // the bind and two reads
  journal.Clear();
  EXPECT_EQ(journal.Size(), 0u);
  EXPECT_EQ(journal.Dropped(), 0u);
  journal.SetCapacity(0);
  user->Description();
  EXPECT_EQ(journal.Size(), 0u);

  auto& faults = layer->Faults();
  faults.Add({.member = u"IADsUser.FullName"});
  faults.Add({.member = u"IADs.SetInfo", .path = u"WinNT://NOWHERE/*"});
  EXPECT_EQ(ErrorCodeOf([&] { user->FullName(); }), errc::kFail);  // fires with the journal off
  EXPECT_EQ(faults.Fired(), 1u);
  EXPECT_THAT(faults.NeverFired(), ::testing::ElementsAre(u"IADs.SetInfo WinNT://NOWHERE/*"));
  faults.Clear();
  EXPECT_EQ(faults.Fired(), 0u);
}

// The trace sink sees each call as it is made, passwords hidden.
TEST_F(JournalLayerTest, TraceSinkSeesEachCall) {
  std::vector<std::u16string> lines;
  layer->SetTraceSink([&](const JournalEntry& e) { lines.push_back(e.ToString()); });
  auto user = Bind<IADsUser>(alice);
  user->SetPassword(u"another-secret");
  layer->SetTraceSink(nullptr);
  user->FullName();
  EXPECT_THAT(lines, ::testing::ElementsAre(u"DirectoryProvider.GetObject " + alice,
                                            u"IADsUser.SetPassword " + alice + u" (\"<hidden>\")"));
}

// Several threads, each with its own objects (and its own computer, so no thread lists what
// another deletes), on one directory and one layer; and a thread with a directory of its own.
// Run under the sanitizer presets, this is the check.
TEST(JournalLayerThreads, ThreadsShareADirectoryOrHaveTheirOwn) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 50;
  auto dir = MemoryDirectory::Create();
  directory::DirectoryBuilder build(*dir);
  for (int t = 0; t < kThreads; ++t) build.AddComputer(u"", u"PC" + FromUtf8(std::to_string(t)));
  auto layer = JournalLayer::Wrap(dir);
  directory::SetCurrentProvider(layer);

  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      try {
        auto server = moxServer::Create();
        server->Name(u"PC" + FromUtf8(std::to_string(t)));
        auto users = server->Users();
        for (int i = 0; i < kRounds; ++i) {
          std::u16string name = u"user";
          if (!users->Add(name)) ++failures;
          users->Item(Variant(name))->FullName(u"Round " + FromUtf8(std::to_string(i)));
          if (!users->Remove(Variant(name))) ++failures;
        }
      } catch (const AutomationError& e) {
        ADD_FAILURE() << ToUtf8(e.description());
        ++failures;
      }
    });
  }
  // This thread binds through a directory of its own, unseen by the others.
  std::thread own([&] {
    auto mine = MemoryDirectory::Create();
    directory::DirectoryBuilder(*mine).AddDomain(u"MINE");
    directory::SetThreadProvider(mine);
    if (!directory::Bind<IADsContainer>(u"WinNT://MINE,domain")) ++failures;
    if (ErrorCodeOf([] { directory::Bind<IADsContainer>(u"WinNT://PC0,computer"); }) == 0) {
      ++failures;
    }
    directory::SetThreadProvider(nullptr);
  });
  for (auto& t : threads) t.join();
  own.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(layer->Journal().Count(u"IADsContainer.Create"), std::size_t{kThreads * kRounds});
  EXPECT_FALSE(dir->Contains(u"WinNT://PC0/user"));
  directory::SetCurrentProvider(nullptr);
}

}  // namespace
}  // namespace moxtrel::testing
