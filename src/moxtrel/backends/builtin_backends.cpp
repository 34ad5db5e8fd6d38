// The built-in backend types, one line each. A new backend is a folder beside these and a line
// here (docs/adding-a-backend.md).
#include "moxtrel/backends/builtin_backends.h"

#include "moxtrel/backends/cups/cups_backend.h"
#include "moxtrel/backends/files/files_backend.h"
#include "moxtrel/backends/ldap/ldap_backend.h"
#include "moxtrel/backends/memory/memory_backend.h"
#include "moxtrel/backends/samba/samba_backend.h"
#include "moxtrel/backends/systemd/systemd_backend.h"

namespace moxtrel::directory {

void RegisterBuiltinBackends(BackendRegistry& registry) {
  for (BackendType (*type)() : {
           &backends::files::FilesBackendType,
           &backends::memory::MemoryBackendType,
           &backends::ldap::LdapBackendType,
           &backends::cups::CupsBackendType,
           &backends::samba::SambaBackendType,
           &backends::systemd::SystemdBackendType,
       }) {
    BackendType made = type();
    if (!registry.Find(made.name)) registry.Add(std::move(made));
  }
}

}  // namespace moxtrel::directory
