#include "moxtrel/backends/memory/memory_backend.h"

#include "moxtrel/memory/memory_directory.h"

namespace moxtrel::backends::memory {
namespace {

using directory::BackendPlace;
using directory::ConfigSection;

// What the backend needs from its section. A backend with keys reads each here, with the
// section's typed getters, so that check and build refuse the same mistakes.
struct MemoryOptions {
  std::u16string computer;
  std::u16string domain;
};

MemoryOptions Read(ConfigSection& /*section*/, const BackendPlace& place) {
  return {place.name, place.of_domain};
}

std::shared_ptr<directory::DirectoryProvider> Make(const MemoryOptions& options) {
  auto dir = directory::MemoryDirectory::Create();
  directory::DirectoryBuilder builder(*dir);
  const std::u16string domain = options.domain.empty() ? u"" : builder.AddDomain(options.domain);
  builder.AddComputer(domain, options.computer);
  return dir;
}

}  // namespace

directory::BackendType MemoryBackendType() {
  directory::BackendType type;
  type.name = "memory";
  type.selector = "accounts";
  type.kinds = {directory::ObjectKind::kUser, directory::ObjectKind::kGroup};
  type.holds = "accounts";
  directory::ReadThenMake(type, Read, Make);
  return type;
}

}  // namespace moxtrel::backends::memory
