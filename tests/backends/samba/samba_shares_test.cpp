// The Samba backend against a private smbd, where it differs from the embedded directory:
// shares written in smb.conf itself, values checked before anything is written, a share
// deleted behind a bound object, and a configuration it cannot use.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "moxtrel/backends/samba/samba_provider.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/journal/journal_layer.h"
#include "moxtrel/servers/file_share.h"
#include "moxtrel/servers/file_shares.h"
#include "moxtrel/servers/server.h"
#include "support/directory_fixture.h"
#include "support/smbd_server.h"

namespace moxtrel::testing {
namespace {

using backends::samba::MakeSambaProvider;
using backends::samba::NetRuns;
using backends::samba::SambaOptions;

class SambaSharesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new SmbdServer; }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    if (!server_->Available()) GTEST_SKIP() << server_->Why();
    server_->ImportRegistryShares("[Public]\npath = " + server_->Folder("public") +
                                  "\ncomment = Public files\n");
    SambaOptions o;
    o.smb_conf = server_->Conf();
    o.computer = u"PC1";
    provider = MakeSambaProvider(o);
    layer = directory::JournalLayer::Wrap(provider);
    directory::SetCurrentProvider(layer);
  }
  void TearDown() override { directory::SetCurrentProvider(nullptr); }

  std::shared_ptr<moxFileShares> Shares() {
    auto server = moxServer::Create();
    server->Name(u"PC1");
    return server->FileShares();
  }
  std::shared_ptr<moxFileShare> Share(const std::u16string& name) {
    auto share = moxFileShare::Create();
    EXPECT_TRUE(share->Find(name, u"PC1"));
    return share;
  }

  static SmbdServer* server_;
  std::shared_ptr<directory::DirectoryProvider> provider;
  std::shared_ptr<directory::JournalLayer> layer;
};

SmbdServer* SambaSharesTest::server_ = nullptr;

// A share of smb.conf itself is listed and read, but no write, Remove or second Add touches it.
TEST_F(SambaSharesTest, SharesOfSmbConfAreReadOnly) {
  auto tools = Share(u"tools");
  EXPECT_EQ(tools->Name(), u"Tools");
  EXPECT_EQ(tools->Description(), u"Tools from smb.conf");
  const long runs = NetRuns(provider);
  EXPECT_EQ(ErrorCodeOf([&] { tools->Description(u"Mine now"); }),
            static_cast<int32_t>(errc::kNotSupported));
  EXPECT_EQ(ErrorCodeOf([&] { tools->MaxUsers(3); }), static_cast<int32_t>(errc::kNotSupported));
  EXPECT_EQ(NetRuns(provider), runs);  // refused before net was run
  auto shares = Shares();
  EXPECT_FALSE(shares->Remove(Variant(u"Tools")));
  EXPECT_FALSE(shares->Add(u"TOOLS", FromUtf8(server_->Folder("public"))));
  EXPECT_EQ(Share(u"Tools")->Description(), u"Tools from smb.conf");
  EXPECT_EQ(server_->RegistryParam("Tools", "path"), "");  // nothing reached the registry
}

// Every name and value is checked before net runs: a refused Add or put writes nothing.
TEST_F(SambaSharesTest, ChecksBeforeWriting) {
  auto shares = Shares();
  const std::u16string folder = FromUtf8(server_->Folder("checked"));
  EXPECT_EQ(shares->Count(), 2);
  const long runs = NetRuns(provider);
  EXPECT_FALSE(shares->Add(std::u16string(81, u'x'), folder));
  EXPECT_FALSE(shares->Add(u"global", folder));
  EXPECT_FALSE(shares->Add(u"Rel", u"relative/path"));
  EXPECT_FALSE(shares->Add(u"Gone", folder + u"/missing"));
  EXPECT_FALSE(shares->Add(u"Subst", u"/tmp/%U"));
  EXPECT_FALSE(shares->Add(u"Zero", folder, u"", 0));
  EXPECT_FALSE(shares->Add(u"Lines", folder, u"one\n[two]"));
  EXPECT_FALSE(shares->Add(u"Evil", folder + u"\n[evil]"));
  auto service = directory::As<directory::IADsContainer>(
      provider->GetObject(u"WinNT://PC1/LanmanServer,FileService"));
  EXPECT_EQ(ErrorCodeOf([&] { service->Delete(u"FileShare", u"GLOBAL"); }),
            static_cast<int32_t>(errc::kInvalidName));
  EXPECT_EQ(NetRuns(provider), runs);
  EXPECT_EQ(shares->Count(), 2);

  auto pub = Share(u"Public");
  EXPECT_EQ(ErrorCodeOf([&] { pub->MaxUsers(0); }), static_cast<int32_t>(errc::kInvalidArg));
  EXPECT_EQ(ErrorCodeOf([&] { pub->Description(u"a\nb"); }),
            static_cast<int32_t>(errc::kInvalidArg));
  EXPECT_EQ(server_->RegistryParam("Public", "comment"), "Public files");
  EXPECT_EQ(server_->RegistryParam("Public", "max connections"), "");

  // The longest name the backend accepts is written and served.
  const std::u16string longest(80, u'L');
  ASSERT_TRUE(shares->Add(longest, folder, u"", 2));
  EXPECT_EQ(server_->RegistryParam(ToUtf8(longest), "max connections"), "2");
  EXPECT_NO_THROW(server_->Connect(ToUtf8(longest)));
}

// A share deleted behind a bound object is not brought back by a write to that object.
TEST_F(SambaSharesTest, DeletedShareStaysDeleted) {
  server_->AddShare("Temp", server_->Folder("temp"), "Temporary");
  auto temp = Share(u"Temp");
  server_->DropRegistryShares();
  EXPECT_EQ(ErrorCodeOf([&] { temp->Description(u"Back?"); }),
            static_cast<int32_t>(errc::kNoSuchObject));
  EXPECT_EQ(ErrorCodeOf([&] { temp->Path(); }), static_cast<int32_t>(errc::kNoSuchObject));
  EXPECT_EQ(server_->RegistryParam("Temp", "path"), "");
  EXPECT_TRUE(temp->Exists());  // still bound: the failure was the caller's to see
}

// A write the server refused is not sent again with the next one: the share then reads what
// the server holds, and the next put changes only itself. `net` is refused by a wrapper that
// fails while a flag file exists, as net does when the registry cannot be reached.
TEST_F(SambaSharesTest, RefusedWriteIsNotStaged) {
  const std::string bin = server_->Folder("refusing-net");
  const std::string flag = bin + "/refuse";
  {
    std::ofstream script(bin + "/net");
    script << "#!/bin/sh\nif [ -e '" << flag << "' ]; then echo 'registry unavailable' >&2; "
           << "exit 1; fi\nexec /usr/bin/net \"$@\"\n";
  }
  std::filesystem::permissions(bin + "/net", std::filesystem::perms::owner_all);
  SambaOptions o;
  o.smb_conf = server_->Conf();
  o.computer = u"PC1";
  o.net = bin + "/net";
  directory::SetCurrentProvider(MakeSambaProvider(o));

  auto pub = Share(u"Public");
  std::ofstream(flag).close();
  EXPECT_EQ(ErrorCodeOf([&] { pub->MaxUsers(7); }), static_cast<int32_t>(errc::kFail));
  std::filesystem::remove(flag);
  EXPECT_EQ(pub->MaxUsers(), -1);
  EXPECT_EQ(pub->Description(), u"Public files");
  pub->Description(u"Changed");
  EXPECT_EQ(server_->RegistryParam("Public", "comment"), "Changed");
  EXPECT_EQ(server_->RegistryParam("Public", "max connections"), "");  // 7 was not sent again

  // A share being made keeps nothing of a refused SetInfo either: it reads empty, and a second
  // SetInfo without a path makes nothing.
  auto service = directory::As<directory::IADsContainer>(
      directory::CurrentProvider()->GetObject(u"WinNT://PC1/LanmanServer,FileService"));
  auto made = directory::As<directory::IADsFileShare>(service->Create(u"FileShare", u"Made"));
  made->Path(FromUtf8(server_->Folder("made")));
  made->Description(u"First try");
  std::ofstream(flag).close();
  EXPECT_EQ(ErrorCodeOf([&] { made->SetInfo(); }), static_cast<int32_t>(errc::kFail));
  std::filesystem::remove(flag);
  EXPECT_EQ(made->Path(), u"");
  EXPECT_EQ(ErrorCodeOf([&] { made->SetInfo(); }), static_cast<int32_t>(errc::kInvalidArg));
  EXPECT_EQ(server_->RegistryParam("Made", "path"), "");
  made->Path(FromUtf8(server_->Folder("made")));
  made->SetInfo();
  EXPECT_EQ(server_->RegistryParam("Made", "path"), server_->Folder("made"));
  EXPECT_EQ(server_->RegistryParam("Made", "comment"), "");
}

// Text smbd would serve otherwise than written is refused before anything is written: a "%"
// that starts a substitution, blanks around a description (Samba trims them), a backslash in a
// path, half a surrogate pair. What is taken reads back exactly: through a new provider,
// through net, and as the server lists it to clients.
TEST_F(SambaSharesTest, TextReadsBackAsWritten) {
  auto pub = directory::As<directory::IADsFileShare>(
      provider->GetObject(u"WinNT://PC1/LanmanServer/Public,FileShare"));
  const long runs = NetRuns(provider);
  const std::u16string lone(1, char16_t{0xD800});
  for (const std::u16string& bad :
       {std::u16string(u"Home of %U"), std::u16string(u"%(DomainSID)"), std::u16string(u"100%%"),
        std::u16string(u" leading"), std::u16string(u"trailing "), u"half " + lone}) {
    EXPECT_EQ(ErrorCodeOf([&] { pub->Description(bad); }), static_cast<int32_t>(errc::kInvalidArg))
        << ToUtf8(bad);
  }
  const std::string odd = server_->Folder("odd");
  std::filesystem::create_directories(odd + "/back\\slash");
  for (const std::string& bad : {odd + "/back\\slash", odd + "/back\\"}) {
    EXPECT_EQ(ErrorCodeOf([&] { pub->Path(FromUtf8(bad)); }),
              static_cast<int32_t>(errc::kInvalidArg))
        << bad;
  }
  EXPECT_EQ(NetRuns(provider), runs);
  EXPECT_EQ(server_->RegistryParam("Public", "comment"), "Public files");

  // Each description ends in a backslash or holds what smb.conf reads as syntax; the user limit
  // written after it must not be swallowed by a continuation line.
  auto shares = Shares();
  const std::string folder = server_->Folder("semi;colon # x = [y]");
  const std::vector<std::u16string> texts = {
      u"C:\\Shares\\",    u"50% off, 100%",           u"; not a comment",
      u"# not a comment", u"a = b [c] \"quoted\" \\", u"Ünïcødé ☃ \U0001F600"};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::u16string name = u"Odd" + FromUtf8(std::to_string(i));
    ASSERT_TRUE(shares->Add(name, FromUtf8(folder), texts[i], 4)) << ToUtf8(texts[i]);
  }
  SambaOptions o;
  o.smb_conf = server_->Conf();
  o.computer = u"PC1";
  directory::SetCurrentProvider(MakeSambaProvider(o));
  const auto served = server_->ServedComments();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string name = "Odd" + std::to_string(i);
    auto share = Share(FromUtf8(name));
    EXPECT_EQ(share->Description(), texts[i]);
    EXPECT_EQ(share->Path(), FromUtf8(folder));
    EXPECT_EQ(share->MaxUsers(), 4) << name;
    EXPECT_EQ(server_->RegistryParam(name, "comment"), ToUtf8(texts[i]));
    EXPECT_EQ(server_->RegistryParam(name, "path"), folder);
    ASSERT_TRUE(served.count(name)) << name;
    EXPECT_EQ(served.at(name), ToUtf8(texts[i]));
  }
}

// Without a running server: [homes] is a share like any other (its reserved name does not cut a
// listing short), print shares are not file shares, and "directory" spells "path".
TEST(SambaProviderTest, ListsSmbConfSectionsAsSambaDoes) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("moxtrel-smbconf-" + std::to_string(getpid()));
  for (const char* sub : {"state", "lock", "cache", "private"}) {
    std::filesystem::create_directories(dir / sub);
  }
  const std::string d = dir.string();
  std::ofstream(dir / "smb.conf") << "[global]\nregistry shares = yes\nstate directory = " << d
                                  << "/state\nlock directory = " << d
                                  << "/lock\ncache directory = " << d
                                  << "/cache\nprivate dir = " << d << "/private\n"
                                  << "[homes]\ncomment = Home folders\n"
                                  << "[printers]\npath = /tmp\n[Labels]\nprintable = yes\n"
                                  << "[Old]\ndirectory = /srv/old\n";
  SambaOptions o;
  o.computer = u"PC1";
  o.smb_conf = (dir / "smb.conf").string();
  directory::SetCurrentProvider(MakeSambaProvider(o));
  auto server = moxServer::Create();
  server->Name(u"PC1");
  auto shares = server->FileShares();
  EXPECT_EQ(shares->Count(), 2);
  EXPECT_EQ(shares->Item(Variant(u"HOMES"))->Description(), u"Home folders");
  EXPECT_EQ(shares->Item(Variant(u"old"))->Path(), u"/srv/old");
  directory::SetCurrentProvider(nullptr);
  std::filesystem::remove_all(dir);
}

// Listing the shares is an RPC, for which smbd starts samba-dcerpcd, which outlives smbd: the
// fixture stops it and its workers too.
TEST(SmbdServerTest, StopsTheHelpersSmbdStarted) {
  std::string conf;
  {
    SmbdServer smbd;
    if (!smbd.Available()) GTEST_SKIP() << smbd.Why();
    conf = smbd.Conf();
    EXPECT_THAT(smbd.ServedShares(), ::testing::Contains("Tools"));
    EXPECT_GE(ProcessesNaming(conf).size(), 2u);  // smbd and samba-dcerpcd at least
  }
  EXPECT_THAT(ProcessesNaming(conf), ::testing::IsEmpty());
}

// A configuration the backend cannot serve is refused when the provider is made.
TEST(SambaProviderTest, RefusesConfigurationsItCannotServe) {
  SambaOptions o;
  o.computer = u"PC1";
  o.smb_conf = "/nonexistent/smb.conf";
  EXPECT_EQ(ErrorCodeOf([&] { MakeSambaProvider(o); }), static_cast<int32_t>(errc::kNoSuchObject));
  const auto conf = std::filesystem::temp_directory_path() /
                    ("moxtrel-noregistry-" + std::to_string(getpid()) + ".conf");
  std::ofstream(conf) << "[global]\nregistry shares = no\n";
  o.smb_conf = conf.string();
  EXPECT_EQ(ErrorCodeOf([&] { MakeSambaProvider(o); }), static_cast<int32_t>(errc::kNotSupported));
  std::filesystem::remove(conf);
  o.computer.clear();
  EXPECT_EQ(ErrorCodeOf([&] { MakeSambaProvider(o); }), static_cast<int32_t>(errc::kInvalidArg));
}

}  // namespace
}  // namespace moxtrel::testing
