#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/journal/journal_layer.h"
#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/printing/print_queues.h"
#include "moxtrel/routing/computer_parts.h"
#include "moxtrel/routing/router.h"
#include "moxtrel/servers/file_shares.h"
#include "moxtrel/servers/server.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::ComputerParts;
using directory::IADsContainer;
using directory::MemoryDirectory;
using directory::ObjectKind;

// PC1's accounts in one embedded directory, its print queues in another, one router in front.
class ComputerPartsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory::DirectoryBuilder a(*accounts);
    const auto pc = a.AddComputer(u"", u"PC1");
    a.AddUser(pc, u"alice");
    a.AddGroup(pc, u"staff");
    directory::DirectoryBuilder p(*printing);
    const auto pc_p = p.AddComputer(u"", u"PC1");
    p.AddPrintQueue(pc_p, u"Laser");
    p.AddPrintQueue(pc_p, u"Plotter");
    parts->Add({ObjectKind::kUser, ObjectKind::kGroup}, accounts);
    parts->Add({ObjectKind::kPrintQueue, ObjectKind::kPrintJob}, printing);
    router->AddComputer(u"PC1", parts);
    layer = directory::JournalLayer::Wrap(router);
    directory::SetCurrentProvider(layer);
  }
  void TearDown() override { directory::SetCurrentProvider(nullptr); }

  std::shared_ptr<MemoryDirectory> accounts = MemoryDirectory::Create();
  std::shared_ptr<MemoryDirectory> printing = MemoryDirectory::Create();
  std::shared_ptr<ComputerParts> parts = std::make_shared<ComputerParts>(u"PC1");
  std::shared_ptr<directory::Router> router = std::make_shared<directory::Router>();
  std::shared_ptr<directory::JournalLayer> layer;
};

// One server object lists each kind from the part that serves it, and creates there too.
TEST_F(ComputerPartsTest, EachKindComesFromItsPart) {
  auto server = moxServer::Create();
  server->Name(u"PC1");
  EXPECT_EQ(server->Users()->Count(), 1);
  EXPECT_EQ(server->Groups()->Count(), 1);
  EXPECT_EQ(server->PrintQueues()->Count(), 2);
  std::u16string bob = u"bob";
  EXPECT_TRUE(server->Users()->Add(bob));
  EXPECT_TRUE(accounts->Contains(u"WinNT://PC1/bob,user"));
  EXPECT_FALSE(printing->Contains(u"WinNT://PC1/bob,user"));
  EXPECT_EQ(layer->GetObject(u"WinNT://PC1/Laser,PrintQueue")->Name(), u"Laser");
  EXPECT_EQ(layer->GetObject(u"WinNT://PC1/Plotter")->Name(), u"Plotter");  // no class word
  // Without a filter, the computer lists every part in order.
  auto all = directory::As<IADsContainer>(layer->GetObject(u"WinNT://PC1,computer"))->NewEnum();
  std::vector<std::u16string> names;
  while (auto o = all->Next()) names.push_back(o->Name());
  EXPECT_THAT(names, ::testing::ElementsAre(u"alice", u"staff", u"bob", u"Laser", u"Plotter"));
}

// A kind no part serves is an error that says so; set-up mistakes are refused.
TEST_F(ComputerPartsTest, RefusesKindsWithoutAPart) {
  try {
    layer->GetObject(u"WinNT://PC1/LanmanServer/docs,FileShare");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.description(),
              u"The computer PC1 has no backend configured for its file shares "
              u"(WinNT://PC1/LanmanServer/docs,FileShare)");
  }
  auto server = moxServer::Create();
  server->Name(u"PC1");
  EXPECT_EQ(ErrorCodeOf([&] { server->FileShares()->Count(); }), errc::kNoSuchObject);
  EXPECT_EQ(ErrorCodeOf([&] { parts->Add({ObjectKind::kUser}, printing); }), errc::kInvalidArg);
  EXPECT_EQ(ErrorCodeOf([&] { parts->Add({}, printing); }), errc::kInvalidArg);
}

}  // namespace
}  // namespace moxtrel::testing
