// RegisterBuiltinBackends: the one list of the backend types built with the library, for a
// program that links them all (moxtrel_all: the script host, the Python module, the tests).
// A client that links one backend registers that one instead:
//
//   directory::RegisterBuiltinBackends(directory::BackendRegistry::Global());   // every one
//   directory::BackendRegistry::Global().Add(backends::ldap::LdapBackendType()); // just ldap
#pragma once

#include "moxtrel/directory/backend_registry.h"

namespace moxtrel::directory {

// Adds each built-in type that `registry` does not hold yet, so calling it again is harmless.
// Call it before the first configuration is read, from one thread.
void RegisterBuiltinBackends(BackendRegistry& registry);

}  // namespace moxtrel::directory
