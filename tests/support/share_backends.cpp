#include "support/share_backends.h"

#include "moxtrel/backends/samba/samba_provider.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/memory/memory_directory.h"

namespace moxtrel::testing {
namespace {

class EmbeddedShares final : public ShareBackend {
 public:
  EmbeddedShares() {
    directory::DirectoryBuilder b(*dir_);
    const auto pc = b.AddComputer(u"", kComputer);
    b.AddShare(pc, u"Public",
               {{u"Path", Variant(Folder("public"))}, {u"Description", Variant(u"Public files")}});
    b.AddShare(
        pc, u"Tools",
        {{u"Path", Variant(Folder("tools"))}, {u"Description", Variant(u"Tools from smb.conf")}});
    b.AddShare(pc, u"Data",
               {{u"Path", Variant(Folder("data"))},
                {u"Description", Variant(u"Team data")},
                {u"MaxUserCount", Variant(int32_t{5})}});
  }
  std::shared_ptr<directory::DirectoryProvider> Provider() override { return dir_; }
  std::u16string Folder(const std::string& name) override { return u"/srv/" + FromUtf8(name); }
  std::unique_ptr<SmbClient> Connect(const std::u16string&) override { return nullptr; }

 private:
  std::shared_ptr<directory::MemoryDirectory> dir_ = directory::MemoryDirectory::Create();
};

// One smbd for the whole test program: it starts in about 0.15 s, but the suite has many tests.
SmbdServer& SharedSmbd() {
  static SmbdServer server;
  return server;
}

class SambaShares final : public ShareBackend {
 public:
  SambaShares() : server_(SharedSmbd()) {
    if (!server_.Available()) return;
    server_.ImportRegistryShares(
        "[Public]\npath = " + ToUtf8(Folder("public")) +
        "\ncomment = Public files\n[Data]\npath = " + ToUtf8(Folder("data")) +
        "\ncomment = Team data\nmax connections = 5\n");
  }
  std::string SkipReason() override { return server_.Available() ? "" : server_.Why(); }
  std::shared_ptr<directory::DirectoryProvider> Provider() override {
    if (!provider_) {
      backends::samba::SambaOptions o;
      o.smb_conf = server_.Conf();
      o.computer = std::u16string(kComputer);
      provider_ = backends::samba::MakeSambaProvider(o);
    }
    return provider_;
  }
  std::u16string Folder(const std::string& name) override { return FromUtf8(server_.Folder(name)); }
  std::unique_ptr<SmbClient> Connect(const std::u16string& share) override {
    return server_.Connect(ToUtf8(share));
  }

 private:
  SmbdServer& server_;
  std::shared_ptr<directory::DirectoryProvider> provider_;
};

}  // namespace

std::vector<BackendFactory> ShareBackends() {
  return {
      {"embedded", [] { return std::make_unique<EmbeddedShares>(); }},
      {"smbd", [] { return std::make_unique<SambaShares>(); }},
  };
}

}  // namespace moxtrel::testing
