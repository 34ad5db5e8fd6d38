#include "moxtrel/servers/file_share.h"

#include <gtest/gtest.h>

#include "support/directory_fixture.h"
#include "support/faults.h"

namespace moxtrel {
namespace {

using testing::ErrorCodeOf;
using testing::FailOn;

class FileShareTest : public testing::DirectoryTest {
 protected:
  void SetUp() override {
    const auto pc1 = build.AddComputer(build.AddDomain(u"CORP"), u"PC1");
    path = build.AddShare(pc1, u"Public", {{u"Path", u"C:\\Public"}, {u"MaxUserCount", 10}});
    layer->Journal().Clear();
  }
  std::u16string path;
};

// An unbound share answers with empty values, ignores writes and never calls the directory.
TEST_F(FileShareTest, UnboundShareMakesNoCall) {
  auto share = moxFileShare::Create();
  share->Description(u"x");
  share->MaxUsers(5);
  EXPECT_EQ(share->Description() + share->GUID() + share->Path() + share->Server(), u"");
  EXPECT_EQ(share->MaxUsers() + share->CurrentUsers(), 0);
  EXPECT_EQ(layer->Journal().Size(), 0u) << layer->Journal().Dump();
}

// Find binds the trimmed names with no domain part; blank names unbind without a call; an
// unbound share keeps its name but reports no server.
TEST_F(FileShareTest, FindBindsTrimmedPathOrUnbinds) {
  auto share = moxFileShare::Create();
  ASSERT_TRUE(share->Find(u"  Public ", u" PC1  "));
  EXPECT_EQ(layer->Journal().Count(u"GetObject", u"WinNT://PC1/LanmanServer/Public,FileShare"), 1u)
      << layer->Journal().Dump();
  layer->Journal().Clear();
  EXPECT_EQ(share->Server(), u"PC1");
  EXPECT_FALSE(share->Find(u"Public", u"   "));
  EXPECT_EQ(layer->Journal().Size(), 0u);
  EXPECT_FALSE(share->Exists());

  EXPECT_FALSE(share->Find(u" Missing ", u"PC1"));
  EXPECT_EQ(share->Name(), u"Missing");
  EXPECT_EQ(share->Server(), u"");
}

// Writes are trimmed and committed at once, a blank description clears the old one, and a
// refused write reaches the caller without a commit while the share stays bound.
TEST_F(FileShareTest, WritesCommitOrRaise) {
  auto share = moxFileShare::Create();
  ASSERT_TRUE(share->Find(u"Public", u"PC1"));
  share->Description(u"  Team ");
  EXPECT_EQ(share->Description(), u"Team");
  layer->Journal().Clear();
  share->Description(u"   ");
  EXPECT_EQ(layer->Journal().Count(u"SetInfo"), 1u) << layer->Journal().Dump();
  EXPECT_EQ(dir->Peek(path, u"Description").ToString(), u"");

  FailOn(layer->Faults(), u"MaxUserCount.put");
  EXPECT_EQ(ErrorCodeOf([&] { share->MaxUsers(3); }), static_cast<int32_t>(errc::kFail));
  EXPECT_EQ(layer->Journal().Count(u"SetInfo"), 1u);
  EXPECT_TRUE(share->Exists());
  EXPECT_EQ(share->MaxUsers(), 10);
}

}  // namespace
}  // namespace moxtrel
