// The object model's file share classes held to the same behaviour on the embedded directory
// and on a private smbd: listing and reading shares, changing them, creating and deleting them,
// refusing names the configuration cannot hold, and counting connected clients.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/servers/file_share.h"
#include "moxtrel/servers/file_shares.h"
#include "moxtrel/servers/server.h"
#include "support/share_backends.h"

namespace moxtrel::testing {
namespace {

using ::testing::Contains;
using ::testing::UnorderedElementsAre;

constexpr char16_t kService[] = u"WinNT://PC1/LanmanServer,FileService";

class SharesSuite : public ::testing::TestWithParam<BackendFactory> {
 protected:
  void SetUp() override {
    owned_ = GetParam().make();
    backend = static_cast<ShareBackend*>(owned_.get());
    if (auto why = backend->SkipReason(); !why.empty()) GTEST_SKIP() << why;
    layer = directory::JournalLayer::Wrap(backend->Provider());
    directory::SetCurrentProvider(layer);
  }
  void TearDown() override { directory::SetCurrentProvider(nullptr); }

  std::shared_ptr<moxFileShares> Shares() {
    auto server = moxServer::Create();
    server->Name(std::u16string(kComputer));
    return server->FileShares();
  }
  std::shared_ptr<moxFileShare> Share(const std::u16string& name) {
    auto share = moxFileShare::Create();
    EXPECT_TRUE(share->Find(name, std::u16string(kComputer))) << ToUtf8(name);
    return share;
  }
  std::vector<std::u16string> Names() {
    std::vector<std::u16string> names;
    auto shares = Shares();
    for (int32_t i = 1; i <= shares->Count(); ++i) {
      names.push_back(shares->Item(Variant(i))->Name());
    }
    return names;
  }
  // smbd drops a closed connection a moment after the client closes it.
  int32_t UsersSettled(const std::u16string& name, int32_t want) {
    auto share = Share(name);
    int32_t users = -2;
    for (int i = 0; i < 100 && (users = share->CurrentUsers()) != want; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return users;
  }

  std::unique_ptr<Backend> owned_;
  ShareBackend* backend = nullptr;
  std::shared_ptr<directory::JournalLayer> layer;
};

// A server lists its shares keyed without case; each reads its folder, description and limit;
// Find trims and binds, and misses an unknown share.
TEST_P(SharesSuite, ListsAndReadsShares) {
  EXPECT_THAT(Names(), UnorderedElementsAre(u"Public", u"Data", u"Tools"));
  auto shares = Shares();
  auto data = shares->Item(Variant(u"DATA"));
  EXPECT_EQ(data->Name(), u"Data");
  EXPECT_EQ(data->Path(), backend->Folder("data"));
  EXPECT_EQ(data->Description(), u"Team data");
  EXPECT_EQ(data->MaxUsers(), 5);
  EXPECT_EQ(data->Server(), kComputer);  // from the host computer's path
  EXPECT_EQ(data->CurrentUsers(), 0);

  auto pub = moxFileShare::Create();
  ASSERT_TRUE(pub->Find(u"  public ", u" PC1 "));
  EXPECT_EQ(pub->Name(), u"Public");
  EXPECT_EQ(pub->MaxUsers(), -1);  // no limit
  EXPECT_EQ(pub->Description(), u"Public files");

  auto missing = moxFileShare::Create();
  EXPECT_FALSE(missing->Find(u"NoSuchShare", std::u16string(kComputer)));
  EXPECT_FALSE(missing->Exists());
}

// Writes are trimmed, committed at once and seen by a new object; an empty description clears.
TEST_P(SharesSuite, WritesDescriptionAndUserLimit) {
  auto pub = Share(u"Public");
  layer->Journal().Clear();
  pub->Description(u"  Everyone's files ");
  EXPECT_THAT(layer->Journal().Members(),
              ::testing::ElementsAre(u"IADsFileShare.Description.put", u"IADs.SetInfo"));
  pub->MaxUsers(10);
  EXPECT_EQ(Share(u"Public")->Description(), u"Everyone's files");
  EXPECT_EQ(Share(u"Public")->MaxUsers(), 10);

  pub->Description(u"");
  pub->MaxUsers(-1);
  EXPECT_EQ(Share(u"public")->Description(), u"");
  EXPECT_EQ(Share(u"public")->MaxUsers(), -1);
}

// Add creates a served share with trimmed values and defaults; a second share of the same name
// is refused; Remove deletes it on the server, and an unknown entry binds nothing.
TEST_P(SharesSuite, AddAndRemove) {
  auto shares = Shares();
  const std::u16string folder = backend->Folder("reports");
  ASSERT_TRUE(shares->Add(u"  Reports ", u"  " + folder + u" ", u"  Monthly reports ", 3));
  ASSERT_TRUE(shares->Add(u"Plain", folder));
  EXPECT_EQ(shares->Count(), 5);
  auto reports = shares->Item(Variant(u"reports"));
  EXPECT_EQ(reports->Name(), u"Reports");
  EXPECT_EQ(reports->Path(), folder);
  EXPECT_EQ(reports->Description(), u"Monthly reports");
  EXPECT_EQ(reports->MaxUsers(), 3);
  auto plain = shares->Item(Variant(u"Plain"));
  EXPECT_EQ(plain->Description(), u"");
  EXPECT_EQ(plain->MaxUsers(), -1);
  EXPECT_FALSE(shares->Add(u"REPORTS", folder));
  EXPECT_EQ(shares->Count(), 5);

  // A client sees the new share and what its folder holds.
  std::ofstream(ToUtf8(folder) + "/january.txt") << "figures";
  if (auto client = backend->Connect(u"Reports")) {
    EXPECT_THAT(client->List(), Contains("january.txt"));
  }

  layer->Journal().Clear();
  EXPECT_FALSE(shares->Remove(Variant(u"Nope")));
  EXPECT_EQ(layer->Journal().Count(u"GetObject", kService), 0u) << layer->Journal().Dump();
  ASSERT_TRUE(shares->Remove(Variant(u"reports")));
  ASSERT_TRUE(shares->Remove(Variant(u"Plain")));
  EXPECT_EQ(shares->Count(), 3);
  EXPECT_FALSE(moxFileShare::Create()->Find(u"Reports", std::u16string(kComputer)));
  if (GetParam().name == "smbd") {
    EXPECT_THROW(backend->Connect(u"Reports"), std::runtime_error);
  }
}

// Names that would break the configuration's syntax are refused and nothing is written.
TEST_P(SharesSuite, RefusesNamesTheConfigurationCannotHold) {
  auto shares = Shares();
  const std::u16string folder = backend->Folder("hostile");
  for (const std::u16string name :
       {u"a]b", u"[global", u"x=y", u"two\nlines", u"tab\tbed", u"semi;colon"}) {
    ClearLastTrappedFailure();
    EXPECT_FALSE(shares->Add(name, folder)) << ToUtf8(name);
    // The reason sits beside the False: the refusal and the member that trapped it.
    const auto failure = LastTrappedFailure();
    ASSERT_TRUE(failure) << ToUtf8(name);
    EXPECT_EQ(failure->member, u"moxFileShares.Add");
    EXPECT_NE(failure->code, 0);
    EXPECT_FALSE(failure->description.empty());
  }
  EXPECT_EQ(Names().size(), 3u);
  ClearLastTrappedFailure();
}

// Text that the configuration's syntax gives a meaning (a trailing backslash, "%", ";" and "#",
// "=" and brackets) reads back exactly as written, in descriptions and in folder names, and
// does not swallow the values written after it.
TEST_P(SharesSuite, TextReadsBackAsWritten) {
  auto shares = Shares();
  const std::u16string folder = backend->Folder("semi;colon # x = [y]");
  ASSERT_TRUE(shares->Add(u"Odd", folder, u"C:\\Shares\\", 2));
  auto odd = Share(u"Odd");
  EXPECT_EQ(odd->Description(), u"C:\\Shares\\");
  EXPECT_EQ(odd->Path(), folder);
  EXPECT_EQ(odd->MaxUsers(), 2);
  for (const std::u16string text : {u"50% off, 100%", u"; not a comment", u"# not a comment",
                                    u"a = b [c] \"q\" \\", u"Ünïcødé ☃ \U0001F600"}) {
    odd->Description(text);
    EXPECT_EQ(Share(u"Odd")->Description(), text) << ToUtf8(text);
  }
  EXPECT_EQ(Share(u"Odd")->MaxUsers(), 2);
  EXPECT_TRUE(shares->Remove(Variant(u"Odd")));
}

// CurrentUsers counts the clients connected to a share, and drops them when they go.
TEST_P(SharesSuite, CountsConnectedClients) {
  EXPECT_EQ(Share(u"Public")->CurrentUsers(), 0);
  auto first = backend->Connect(u"Public");
  if (!first) return;  // the embedded directory has no clients
  EXPECT_EQ(Share(u"Public")->CurrentUsers(), 1);
  EXPECT_EQ(Share(u"Data")->CurrentUsers(), 0);
  {
    auto second = backend->Connect(u"public");
    EXPECT_EQ(Share(u"Public")->CurrentUsers(), 2);
  }
  EXPECT_EQ(UsersSettled(u"Public", 1), 1);
  first.reset();
  EXPECT_EQ(UsersSettled(u"Public", 0), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, SharesSuite, ::testing::ValuesIn(ShareBackends()), BackendName);

}  // namespace
}  // namespace moxtrel::testing
