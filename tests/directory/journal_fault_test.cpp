#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/memory/memory_directory.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::Bind;
using directory::IADsContainer;
using directory::IADsUser;
using ::testing::ElementsAre;

class JournalFaultTest : public DirectoryTest {
 protected:
  void SetUp() override {
    corp = build.AddDomain(u"CORP");
    alice = build.AddUser(corp, u"alice");
    build.AddUser(corp, u"bob");
  }
  std::u16string corp, alice;
};

// Every call is journaled in order with the object's canonical path; the builder is not.
TEST_F(JournalFaultTest, JournalsEveryCall) {
  EXPECT_EQ(layer->Journal().Size(), 0u);
  auto user = Bind<IADsUser>(u"WinNT://corp/ALICE,user");
  user->FullName(u"Alice");
  user->SetInfo();
  EXPECT_EQ(ErrorCodeOf([&] { user->Get(u"Nope"); }), errc::kPropertyNotFound);
  EXPECT_THAT(layer->Journal().Members(),
              ElementsAre(u"DirectoryProvider.GetObject", u"IADsUser.FullName.put", u"IADs.SetInfo",
                          u"IADs.Get"));
  const auto& entries = layer->Journal().Entries();
  EXPECT_EQ(entries[0].path, u"WinNT://corp/ALICE,user");
  EXPECT_EQ(entries[1].ToString(), u"IADsUser.FullName.put WinNT://CORP/alice (\"Alice\")");
  EXPECT_EQ(layer->Journal().Count(u"SetInfo"), 1u);
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo", u"winnt://corp/alice"), 1u);
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo", u"WinNT://CORP/bob"), 0u);
  // Enumeration journals the filter, NewEnum and each Next, the last one included.
  layer->Journal().Clear();
  auto domain = Bind<IADsContainer>(corp);
  domain->Filter(Variant::StringArray({u"User"}));
  auto e = domain->NewEnum();
  while (e->Next()) {
  }
  EXPECT_THAT(
      layer->Journal().Members(),
      ElementsAre(u"DirectoryProvider.GetObject", u"IADsContainer.Filter.put",
                  u"IADsContainer.NewEnum", u"IADsEnum.Next", u"IADsEnum.Next", u"IADsEnum.Next"));
}

// A fault fires on the ordinal-th matching call, once, after the call is journaled.
TEST_F(JournalFaultTest, FaultFiresOnTheOrdinalCallOnce) {
  layer->Faults().Add({.member = u"IADsEnum.Next", .ordinal = 2, .code = errc::kAccessDenied});
  auto e = Bind<IADsContainer>(corp)->NewEnum();
  EXPECT_EQ(e->Next()->Name(), u"alice");
  try {
    e->Next();
    FAIL() << "no fault";
  } catch (const AutomationError& err) {
    EXPECT_EQ(err.code(), static_cast<int32_t>(errc::kAccessDenied));
    EXPECT_NE(err.description().find(u"IADsEnum.Next on WinNT://CORP"), std::u16string::npos);
  }
  // The walk goes on where it was.
  EXPECT_EQ(e->Next()->Name(), u"bob");
  EXPECT_EQ(layer->Journal().Count(u"Next"), 3u);
}

// Persistent faults keep failing; path globs choose the objects.
TEST_F(JournalFaultTest, PersistentFaultsAndPathGlobs) {
  layer->Faults().Add({.member = u"SetInfo", .path = u"winnt://corp/a*", .persistent = true});
  auto alice_h = Bind<IADsUser>(alice);
  auto bob_h = Bind<IADsUser>(u"WinNT://CORP/bob");
  EXPECT_EQ(ErrorCodeOf([&] { alice_h->SetInfo(); }), errc::kFail);
  EXPECT_EQ(ErrorCodeOf([&] { alice_h->SetInfo(); }), errc::kFail);
  EXPECT_EQ(ErrorCodeOf([&] { bob_h->SetInfo(); }), 0);
  layer->Faults().Clear();
  layer->Faults().Add({.member = u"GetObject",
                       .path = u"WinNT://CORP/b?b",
                       .persistent = true,
                       .code = errc::kNetworkUnreachable});
  EXPECT_EQ(ErrorCodeOf([&] { layer->GetObject(u"WinNT://CORP/bob"); }), errc::kNetworkUnreachable);
  EXPECT_EQ(ErrorCodeOf([&] { layer->GetObject(u"WinNT://CORP/alice"); }), 0);
  EXPECT_EQ(ErrorCodeOf([&] { layer->Faults().Add({.member = u"Next", .ordinal = 0}); }),
            errc::kInvalidArg);
  // A failed call was still journaled.
  EXPECT_EQ(layer->Journal().Count(u"GetObject", u"WinNT://CORP/bob"), 2u);
}

}  // namespace
}  // namespace moxtrel::testing
