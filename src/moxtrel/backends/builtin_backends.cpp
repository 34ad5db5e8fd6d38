// The built-in backend types, one line each. A new backend is a folder beside these and a line
// here (docs/adding-a-backend.md).
#include "moxtrel/backends/cups/cups_backend.h"
#include "moxtrel/backends/files/files_backend.h"
#include "moxtrel/backends/ldap/ldap_backend.h"
#include "moxtrel/backends/memory/memory_backend.h"
#include "moxtrel/backends/samba/samba_backend.h"
#include "moxtrel/backends/systemd/systemd_backend.h"
#include "moxtrel/directory/backend_registry.h"

namespace moxtrel::directory {

void RegisterBuiltinBackends(BackendRegistry& registry) {
  registry.Add(backends::files::FilesBackendType());
  registry.Add(backends::memory::MemoryBackendType());
  registry.Add(backends::ldap::LdapBackendType());
  registry.Add(backends::cups::CupsBackendType());
  registry.Add(backends::samba::SambaBackendType());
  registry.Add(backends::systemd::SystemdBackendType());
}

}  // namespace moxtrel::directory
