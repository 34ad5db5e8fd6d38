#include "moxtrel/servers/server.h"

#include <gtest/gtest.h>

#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/printing/print_queues.h"
#include "moxtrel/servers/file_shares.h"
#include "support/directory_fixture.h"
#include "support/faults.h"

namespace moxtrel {
namespace {

using testing::ErrorCodeOf;
using testing::FailOn;

class ServerTest : public testing::DirectoryTest {
 protected:
  void SetUp() override {
    const auto corp = build.AddDomain(u"CORP");
    build.AddUser(corp, u"domainuser");
    const auto pc1 = build.AddComputer(corp, u"PC1", {{u"Owner", u"Ops"}});
    build.AddUser(pc1, u"localuser");
    build.AddGroup(pc1, u"localgroup");
    build.AddShare(pc1, u"Public", {{u"Path", u"C:\\Public"}});
    build.AddPrintQueue(pc1, u"Laser");
    layer->Journal().Clear();
  }
};

// An unbound server has no facts or children, makes no call, and Shutdown reports failure.
TEST_F(ServerTest, UnboundServerShutsNothingDown) {
  auto server = moxServer::Create();
  EXPECT_EQ(server->Owner() + server->GUID() + server->ProcessorCount(), u"");
  EXPECT_FALSE(server->Shutdown(true));
  EXPECT_EQ(layer->Journal().Size(), 0u) << layer->Journal().Dump();
}

// Names are trimmed; a pair binds through the domain; a blank name unbinds without a call and
// an unknown one unbinds silently, keeping the name.
TEST_F(ServerTest, NameBindsTrimmedNameOrPair) {
  auto server = moxServer::Create();
  server->Name(u"  PC1 ");
  EXPECT_EQ(layer->Journal().Count(u"GetObject", u"WinNT://PC1,computer"), 1u)
      << layer->Journal().Dump();
  server->Name(u" CORP/PC1 ");
  EXPECT_EQ(layer->Journal().Count(u"GetObject", u"WinNT://CORP/PC1,computer"), 1u);
  EXPECT_EQ(server->Name(), u"CORP/PC1");
  EXPECT_EQ(server->Owner(), u"Ops");

  layer->Journal().Clear();
  server->Name(u"   ");
  EXPECT_EQ(layer->Journal().Size(), 0u);
  EXPECT_FALSE(server->Exists());
  server->Name(u"PC1");
  server->Name(u" Ghost ");
  EXPECT_EQ(server->Name(), u"Ghost");
  EXPECT_FALSE(server->Users() || server->Groups() || server->FileShares() ||
               server->PrintQueues());
}

// Each bind hands out new collections scoped to the computer; older ones stay usable.
TEST_F(ServerTest, EveryBindReplacesChildren) {
  auto server = moxServer::Create();
  server->Name(u"PC1");
  auto users = server->Users();
  auto shares = server->FileShares();
  server->Name(u"PC1");
  EXPECT_NE(server->Users(), users);
  EXPECT_NE(server->FileShares(), shares);
  EXPECT_TRUE(users->Exists(Variant(u"localuser")));
  EXPECT_FALSE(users->Exists(Variant(u"domainuser")));
  EXPECT_EQ(shares->Count(), 1);
  EXPECT_TRUE(server->Groups()->Exists(Variant(u"localgroup")));
  EXPECT_EQ(server->PrintQueues()->Count(), 1);
}

// Shutdown asks the computer to restart; a refusal is False, not an error; facts raise.
TEST_F(ServerTest, ShutdownAndFactFailures) {
  auto server = moxServer::Create();
  server->Name(u"CORP/PC1");
  ASSERT_TRUE(server->Shutdown(true));
  ASSERT_EQ(dir->ShutdownRequests().size(), 1u);
  EXPECT_NE(dir->ShutdownRequests()[0].find(u"reboot"), std::u16string::npos);
  FailOn(layer->Faults(), u"Shutdown");
  EXPECT_FALSE(server->Shutdown(false));
  FailOn(layer->Faults(), u"OperatingSystem");
  EXPECT_NE(ErrorCodeOf([&] { server->OperatingSystem(); }), 0);
}

}  // namespace
}  // namespace moxtrel
