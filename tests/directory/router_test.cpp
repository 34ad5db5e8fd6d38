#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/journal/journal_layer.h"
#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/routing/router.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::IADs;
using directory::JournalLayer;
using directory::MemoryDirectory;
using directory::Router;

// Two embedded directories behind one router: the domain HARBOR with its computer HB-1 in one,
// the computer HB-2 (named inside HARBOR's paths) in the other.
class RouterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory::DirectoryBuilder b(*harbor);
    auto domain = b.AddDomain(u"HARBOR");
    b.AddUser(domain, u"alice");
    b.AddComputer(domain, u"HB-1");
    directory::DirectoryBuilder c(*second);
    auto hb2 = c.AddComputer(u"", u"HB-2");
    c.AddUser(hb2, u"local");
    router->AddDomain(u"HARBOR", harbor_layer);
    router->AddComputer(u"hb-2", second_layer);
  }
  std::shared_ptr<MemoryDirectory> harbor = MemoryDirectory::Create();
  std::shared_ptr<MemoryDirectory> second = MemoryDirectory::Create();
  std::shared_ptr<JournalLayer> harbor_layer = JournalLayer::Wrap(harbor);
  std::shared_ptr<JournalLayer> second_layer = JournalLayer::Wrap(second);
  std::shared_ptr<Router> router = std::make_shared<Router>();
};

// First names route without regard to case; a computer named inside a domain path goes to the
// computer's own backend when it has one, else to the domain's; account names never route.
TEST_F(RouterTest, RoutesByFirstNameThenByComputer) {
  EXPECT_EQ(router->GetObject(u"WinNT://harbor/alice,user")->Name(), u"alice");
  EXPECT_EQ(router->GetObject(u"WinNT://HARBOR/HB-1,computer")->Name(), u"HB-1");
  EXPECT_EQ(router->GetObject(u"WinNT://HB-2/local,user")->Name(), u"local");
  EXPECT_EQ(second_layer->Journal().Count(u"GetObject"), 1u);
  EXPECT_EQ(router->Route(u"WinNT://HARBOR/HB-2,computer"), second_layer);
  EXPECT_EQ(router->Route(u"WinNT://HARBOR/HB-2/local,user"), second_layer);
  EXPECT_EQ(router->Route(u"WinNT://HARBOR/HB-2"), second_layer);
  // "HB-2" as a user name in HARBOR is HARBOR's business.
  EXPECT_EQ(router->Route(u"WinNT://HARBOR/HB-2,user"), harbor_layer);
  EXPECT_EQ(router->Route(u"WinNT://HARBOR/HB-1,computer"), harbor_layer);
}

// A name nobody serves names itself and what is served; bad paths and bad set-up are refused.
TEST_F(RouterTest, RefusesWhatItCannotRoute) {
  try {
    router->GetObject(u"WinNT://ELSEWHERE/bob,user");
    FAIL() << "routed a name nobody serves";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.code(), static_cast<int32_t>(errc::kNoSuchObject));
    EXPECT_EQ(e.description(),
              u"No directory serves ELSEWHERE (WinNT://ELSEWHERE/bob,user); configured: "
              u"domain HARBOR, computer hb-2");
  }
  EXPECT_EQ(ErrorCodeOf([&] { router->GetObject(u"LDAP://x"); }), errc::kBadPathname);
  EXPECT_EQ(ErrorCodeOf([&] { router->AddComputer(u"Harbor", harbor); }), errc::kInvalidArg);
  EXPECT_EQ(ErrorCodeOf([&] { router->AddDomain(u"", harbor); }), errc::kInvalidArg);
  EXPECT_EQ(ErrorCodeOf([&] { router->AddDomain(u"X", nullptr); }), errc::kInvalidArg);
  Router empty;
  try {
    empty.GetObject(u"WinNT://A");
  } catch (const AutomationError& e) {
    EXPECT_TRUE(e.description().ends_with(u"configured: nothing"));
  }
}

}  // namespace
}  // namespace moxtrel::testing
