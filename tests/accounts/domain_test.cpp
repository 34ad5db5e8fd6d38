#include "moxtrel/accounts/domain.h"

#include <gtest/gtest.h>

#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/servers/servers.h"
#include "support/directory_fixture.h"

namespace moxtrel {
namespace {

class DomainTest : public testing::DirectoryTest {
 protected:
  void SetUp() override {
    const auto corp = build.AddDomain(u"CORP");
    build.AddUser(corp, u"alice");
    build.AddGroup(corp, u"Staff");
    build.AddUser(build.AddComputer(corp, u"PC1"), u"localuser");
    layer->Journal().Clear();
  }
};

// The name is trimmed before the bind; a blank name unbinds without a call; an unknown one
// unbinds silently and keeps the name.
TEST_F(DomainTest, NameBindsTrimmedName) {
  auto domain = moxDomain::Create();
  EXPECT_EQ(domain->GUID(), u"");
  domain->Name(u"  CORP ");
  EXPECT_EQ(layer->Journal().Count(u"GetObject", u"WinNT://CORP,domain"), 1u)
      << layer->Journal().Dump();
  EXPECT_EQ(domain->Name(), u"CORP");
  EXPECT_FALSE(domain->GUID().empty());

  layer->Journal().Clear();
  domain->Name(u"   ");
  EXPECT_EQ(layer->Journal().Size(), 0u);
  EXPECT_FALSE(domain->Exists());
  domain->Name(u"CORP");
  domain->Name(u" NOWHERE ");
  EXPECT_EQ(domain->Name(), u"NOWHERE");
  EXPECT_FALSE(domain->Exists() || domain->Users() || domain->Groups() || domain->Servers());
}

// Each bind hands out new collections of the domain's own accounts and computers; a client's
// older collection keeps working.
TEST_F(DomainTest, EveryBindReplacesChildren) {
  auto domain = moxDomain::Create();
  domain->Name(u"CORP");
  auto users = domain->Users();
  auto servers = domain->Servers();
  domain->Name(u"CORP");
  EXPECT_NE(domain->Users(), users);
  EXPECT_NE(domain->Servers(), servers);
  EXPECT_TRUE(users->Exists(Variant(u"ALICE")));
  EXPECT_FALSE(users->Exists(Variant(u"localuser")));
  EXPECT_TRUE(domain->Groups()->Exists(Variant(u"staff")));
  EXPECT_TRUE(servers->Exists(Variant(u"CORP/PC1")));
}

}  // namespace
}  // namespace moxtrel
