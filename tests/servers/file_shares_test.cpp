#include "moxtrel/servers/file_shares.h"

#include <gtest/gtest.h>

#include "moxtrel/servers/server.h"
#include "support/directory_fixture.h"
#include "support/faults.h"

namespace moxtrel {
namespace {

using testing::ErrorCodeOf;
using testing::FailOn;

constexpr char16_t kService[] = u"WinNT://CORP/PC1/LanmanServer,FileService";

class FileSharesTest : public testing::DirectoryTest {
 protected:
  void SetUp() override {
    pc1 = build.AddComputer(build.AddDomain(u"CORP"), u"PC1");
    for (auto name : {u"Public", u"Tools", u"Home"})
      build.AddShare(pc1, name, {{u"Path", u"C:\\"}});
    auto server = moxServer::Create();
    server->Name(u"CORP/PC1");
    shares = server->FileShares();
    layer->Journal().Clear();
  }
  std::u16string pc1;
  std::shared_ptr<moxFileShares> shares;
};

// The first read lists once; members are keyed without case and name their host computer.
TEST_F(FileSharesTest, ListsOnceKeyedWithoutCase) {
  EXPECT_EQ(shares->Count(), 3);
  EXPECT_EQ(shares->Count(), 3);
  EXPECT_EQ(layer->Journal().Count(u"GetObject", kService), 1u) << layer->Journal().Dump();
  EXPECT_EQ(shares->Item(Variant(u"TOOLS"))->Server(), u"CORP/PC1");
}

// Add trims and fills the defaults; blank arguments or no server make no call.
TEST_F(FileSharesTest, AddCreatesTrimmedShare) {
  EXPECT_FALSE(shares->Add(u"  ", u"C:\\x"));
  EXPECT_FALSE(shares->Add(u"x", u"   "));
  EXPECT_FALSE(moxFileShares::Create()->Add(u"x", u"C:\\x"));
  EXPECT_EQ(layer->Journal().Size(), 0u);
  ASSERT_TRUE(shares->Add(u" Data ", u"  D:\\Data "));
  auto data = shares->Item(Variant(u"Data"));
  EXPECT_EQ(data->Path(), u"D:\\Data");
  EXPECT_EQ(data->Description(), u"");
  EXPECT_EQ(data->MaxUsers(), -1);
  EXPECT_EQ(shares->Count(), 4);
  EXPECT_FALSE(shares->Add(u"data", u"E:\\"));  // the directory refuses a second "Data"
}

// Remove deletes on the server; an index that finds nothing never binds the file service.
TEST_F(FileSharesTest, RemoveDeletesOnServer) {
  EXPECT_EQ(shares->Count(), 3);
  layer->Journal().Clear();
  EXPECT_FALSE(shares->Remove(Variant(u"Nope")));
  EXPECT_EQ(layer->Journal().Count(u"GetObject"), 0u);
  ASSERT_TRUE(shares->Remove(Variant(u"tools")));
  EXPECT_FALSE(dir->Contains(pc1 + u"/LanmanServer/Tools"));
  EXPECT_EQ(shares->Count(), 2);
}

// An unbindable file service raises and keeps the last listing; a listing cut short counts as
// complete; a collection without a server raises.
TEST_F(FileSharesTest, RefreshFailures) {
  FailOn(layer->Faults(), u"GetObject", kService);
  EXPECT_NE(ErrorCodeOf([&] { shares->Count(); }), 0);
  EXPECT_EQ(shares->Count(), 3);
  FailOn(layer->Faults(), u"GetObject", kService);
  EXPECT_NE(ErrorCodeOf([&] { shares->Refresh(); }), 0);
  EXPECT_EQ(shares->Count(), 3);

  FailOn(layer->Faults(), u"Next", u"", 3);
  EXPECT_TRUE(shares->Refresh());
  EXPECT_EQ(shares->Count(), 2);
  EXPECT_NE(ErrorCodeOf([&] { moxFileShares::Create()->Refresh(); }), 0);
}

}  // namespace
}  // namespace moxtrel
