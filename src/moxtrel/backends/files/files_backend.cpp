#include "moxtrel/backends/files/files_backend.h"

#include "moxtrel/backends/files/files_provider.h"

namespace moxtrel::backends::files {
namespace {

using directory::BackendPlace;
using directory::ConfigSection;

FilesOptions Read(ConfigSection& section, const BackendPlace& place) {
  FilesOptions options;
  options.root = section.Resolve(section.String("root", "/"));
  options.computer = place.name;
  options.domain = place.of_domain;
  options.allow_shutdown = section.Bool("allow_shutdown", false);
  return options;
}

}  // namespace

directory::BackendType FilesBackendType() {
  directory::BackendType type;
  type.name = "files";
  type.selector = "accounts";
  type.kinds = {directory::ObjectKind::kUser, directory::ObjectKind::kGroup};
  type.is_default = true;
  type.keys = {"root", "allow_shutdown"};
  type.failure_key = "root";
  type.holds = "accounts";
  directory::ReadThenMake(type, Read, MakeFilesProvider);
  return type;
}

}  // namespace moxtrel::backends::files
