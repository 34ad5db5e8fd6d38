#include "moxtrel/backends/samba/samba_backend.h"

#include "moxtrel/backends/samba/samba_provider.h"

namespace moxtrel::backends::samba {
namespace {

using directory::BackendPlace;
using directory::ConfigSection;

SambaOptions Read(ConfigSection& section, const BackendPlace& place) {
  SambaOptions options;
  options.smb_conf = section.Resolve(section.String("smb_conf", options.smb_conf));
  options.computer = place.name;
  options.domain = place.of_domain;
  return options;
}

}  // namespace

directory::BackendType SambaBackendType() {
  directory::BackendType type;
  type.name = "samba";
  type.selector = "shares";
  type.kinds = {directory::ObjectKind::kFileService, directory::ObjectKind::kFileShare};
  type.keys = {"smb_conf"};
  type.failure_key = "smb_conf";
  type.holds = "file shares";
  directory::ReadThenMake(type, Read, MakeSambaProvider);
  return type;
}

}  // namespace moxtrel::backends::samba
