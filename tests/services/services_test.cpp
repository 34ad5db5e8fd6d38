#include "moxtrel/services/services.h"

#include <gtest/gtest.h>

#include "services/services_fixture.h"

namespace moxtrel::testing {
namespace {

class ServicesCollectionTest : public ServicesTest {
 protected:
  ServicesCollectionTest() {
    build.AddService(pc1, u"Alerter");
    build.AddService(pc1, u"Spooler");
    pc2 = build.AddComputer(u"", u"PC2");
    build.AddService(pc2, u"Browser");
  }
  std::u16string pc2;
};

// A new collection names the local computer without a directory call and lists it once; Add
// installs nothing.
TEST_F(ServicesCollectionTest, ListsTheLocalComputerLazily) {
  auto services = moxServices::Create();
  EXPECT_EQ(services->Server(), u"PC1");
  EXPECT_EQ(layer->Journal().Size(), 0u);
  EXPECT_EQ(services->Count(), 2);
  EXPECT_EQ(services->Item(Variant(u"SPOOLER"))->Name(), u"Spooler");
  EXPECT_EQ(services->Item(Variant(int32_t{1}))->Server(), u"PC1");
  EXPECT_EQ(layer->Journal().Count(u"NewEnum"), 1u);
  EXPECT_FALSE(services->Add(u"C:\\x.exe", u"New"));
  EXPECT_EQ(layer->Journal().Count(u"NewEnum"), 1u);
}

// A new server name is trimmed and lists only that computer; a blank one lists nothing and
// tries again on every read.
TEST_F(ServicesCollectionTest, ServerSelectsTheListing) {
  auto services = moxServices::Create();
  EXPECT_EQ(services->Count(), 2);
  services->Server(u"  PC2 ");
  EXPECT_EQ(services->Server(), u"PC2");
  EXPECT_EQ(services->Count(), 1);
  EXPECT_TRUE(services->Exists(Variant(u"Browser")));
  EXPECT_FALSE(services->Exists(Variant(u"Spooler")));

  services->Server(u"   ");
  layer->Journal().Clear();
  EXPECT_FALSE(services->Refresh());
  EXPECT_EQ(services->Count(), 0);
  EXPECT_FALSE(services->Exists(Variant(int32_t{1})));
  EXPECT_EQ(layer->Journal().Count(u"GetObject"), 3u);
}

// A listed service that cannot be bound again by path is left out without failing the listing.
TEST_F(ServicesCollectionTest, UnbindableServiceIsLeftOut) {
  FailNext(u"GetObject", u"WinNT://PC1/Alerter,service");
  auto services = moxServices::Create();
  EXPECT_TRUE(services->Refresh());
  EXPECT_EQ(services->Count(), 1);
  EXPECT_TRUE(services->Exists(Variant(u"Spooler")));
}

// Remove deletes from the directory and edits the store without listing again; a missing
// entry or a refused delete gives False, and an unbindable computer raises.
TEST_F(ServicesCollectionTest, RemoveEditsTheStoreInPlace) {
  auto services = moxServices::Create();
  EXPECT_EQ(services->Count(), 2);
  layer->Journal().Clear();
  EXPECT_FALSE(services->Remove(Variant(u"Nope")));
  EXPECT_EQ(layer->Journal().Count(u"GetObject"), 0u);

  FailNext(u"Delete");
  EXPECT_FALSE(services->Remove(Variant(int32_t{1})));
  EXPECT_EQ(services->Count(), 2);

  auto first = services->Item(Variant(int32_t{1}));
  layer->Journal().Clear();
  EXPECT_TRUE(services->Remove(Variant(int32_t{1})));
  EXPECT_EQ(services->Count(), 1);
  EXPECT_EQ(layer->Journal().Count(u"NewEnum"), 0u);
  EXPECT_FALSE(dir->Contains(u"WinNT://PC1/Alerter,service"));
  EXPECT_TRUE(first->Exists());

  FailNext(u"GetObject", u"WinNT://PC1,computer");
  EXPECT_NE(ErrorCodeOf([&] { services->Remove(Variant(int32_t{1})); }), 0);
}

}  // namespace
}  // namespace moxtrel::testing
