#include "support/service_backends.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "moxtrel/backends/systemd/systemd_provider.h"
#include "moxtrel/memory/memory_directory.h"
#include "support/private_systemd.h"

namespace moxtrel::testing {
namespace {

class EmbeddedServices final : public ServiceBackend {
 public:
  EmbeddedServices() {
    directory::DirectoryBuilder b(*dir_);
    const auto pc = b.AddComputer(u"", kComputer);
    b.AddService(pc, u"mox-sleep",
                 {{u"DisplayName", Variant(u"Sleeping service")},
                  {u"Path", Variant(u"/bin/sleep 100000")},
                  {u"StartType", Variant(int32_t{2})},
                  {u"ErrorControl", Variant(int32_t{0})},
                  {u"ServiceAccountName", Variant(u"root")}});
    b.AddService(pc, u"mox-dep",
                 {{u"DisplayName", Variant(u"Dependent service")},
                  {u"Path", Variant(u"/bin/sleep 100000")},
                  {u"StartType", Variant(int32_t{3})},
                  {u"ErrorControl", Variant(int32_t{0})},
                  {u"ServiceAccountName", Variant(u"root")},
                  {u"Dependencies", Variant::StringArray({u"mox-sleep"})}});
  }
  std::shared_ptr<directory::DirectoryProvider> Provider() override { return dir_; }

 private:
  std::shared_ptr<directory::MemoryDirectory> dir_ = directory::MemoryDirectory::Create();
};

class SystemdServices final : public ServiceBackend {
 public:
  SystemdServices() : manager_(SharedSystemd()) {
    if (manager_.Available()) manager_.Reset();
  }
  std::string SkipReason() override { return manager_.Available() ? "" : manager_.Why(); }
  std::shared_ptr<directory::DirectoryProvider> Provider() override {
    if (!provider_) provider_ = Fresh();
    return provider_;
  }
  std::shared_ptr<directory::DirectoryProvider> Fresh() override {
    backends::systemd::SystemdOptions o;
    o.bus = manager_.Bus();
    o.unit_dir = manager_.Units();
    o.computer = std::u16string(kComputer);
    o.timeout = std::chrono::seconds(20);
    return backends::systemd::MakeSystemdProvider(o);
  }
  void Reload() override { manager_.Call("Reload"); }
  std::string Written() override {
    namespace fs = std::filesystem;
    std::ostringstream out;
    for (const auto& e : fs::recursive_directory_iterator(manager_.Units())) {
      out << e.path().string();
      if (e.is_symlink()) {
        out << " -> " << fs::read_symlink(e.path()).string();
      } else if (e.is_regular_file()) {
        std::ifstream in(e.path());
        out << "\n" << in.rdbuf();
      }
      out << "\n";
    }
    return out.str();
  }

 private:
  PrivateSystemd& manager_;
  std::shared_ptr<directory::DirectoryProvider> provider_;
};

}  // namespace

std::vector<BackendFactory> ServiceBackends() {
  return {
      {"embedded", [] { return std::make_unique<EmbeddedServices>(); }},
      {"systemd", [] { return std::make_unique<SystemdServices>(); }},
  };
}

}  // namespace moxtrel::testing
