#include "moxtrel/servers/servers.h"

#include <gtest/gtest.h>

#include "moxtrel/accounts/domain.h"
#include "support/directory_fixture.h"
#include "support/faults.h"

namespace moxtrel {
namespace {

using testing::ErrorCodeOf;
using testing::FailOn;

class ServersTest : public testing::DirectoryTest {
 protected:
  void SetUp() override {
    const auto corp = build.AddDomain(u"CORP");
    build.AddUser(corp, u"alice");
    build.AddComputer(corp, u"PC1");
    build.AddComputer(corp, u"PC2", {{u"Owner", u"Ops"}});
    auto domain = moxDomain::Create();
    domain->Name(u"CORP");
    servers = domain->Servers();
    layer->Journal().Clear();
  }
  std::shared_ptr<moxServers> servers;
};

// Computers only, listed once, each bound through and keyed by its domain/computer pair
// without case; a computer that cannot be bound is listed unbound.
TEST_F(ServersTest, MembersAreDomainComputerPairs) {
  FailOn(layer->Faults(), u"GetObject", u"WinNT://CORP/PC1,computer");
  EXPECT_EQ(servers->Count(), 2);
  EXPECT_EQ(servers->Count(), 2);
  EXPECT_EQ(layer->Journal().Count(u"GetObject", u"WinNT://CORP,domain"), 1u);
  EXPECT_EQ(layer->Journal().Count(u"GetObject", u"WinNT://CORP/PC2,computer"), 1u)
      << layer->Journal().Dump();
  EXPECT_EQ(servers->Item(Variant(u"corp/pc2"))->Owner(), u"Ops");
  EXPECT_FALSE(servers->Exists(Variant(u"PC2")));
  EXPECT_NE(ErrorCodeOf([&] { servers->Item(Variant(u"PC2")); }), 0);
  auto pc1 = servers->Item(Variant(int32_t{1}));
  EXPECT_EQ(pc1->Name(), u"CORP/PC1");
  EXPECT_FALSE(pc1->Exists());
}

// A listing failure escapes and the next read tries again; each refresh makes new servers; a
// collection without a domain raises instead of binding a bad path.
TEST_F(ServersTest, RefreshRebuildsAndPassesFailuresOn) {
  FailOn(layer->Faults(), u"Next", u"", 2);
  EXPECT_NE(ErrorCodeOf([&] { servers->Count(); }), 0);
  EXPECT_EQ(servers->Count(), 2);
  auto first = servers->Item(Variant(u"CORP/PC1"));
  ASSERT_TRUE(servers->Refresh());
  EXPECT_NE(servers->Item(Variant(u"CORP/PC1")), first);
  EXPECT_EQ(ErrorCodeOf([&] { moxServers::Create()->Refresh(); }),
            static_cast<int32_t>(errc::kInvalidProcedureCall));
}

}  // namespace
}  // namespace moxtrel
