// The LDAP backend's configuration: a domain with ldap = URL and the keys documented in
// docs/configuration.md (base, bind_dn, schema, sasl, password_file or password_env, the TLS
// keys, the containers, the id pool and the timeouts).
#pragma once

#include "moxtrel/directory/backend_registry.h"

namespace moxtrel::backends::ldap {

directory::BackendType LdapBackendType();

}  // namespace moxtrel::backends::ldap
