// The smallest backend, a template for new ones: accounts = "memory" gives a computer an empty
// in-memory store for its users and groups, lost when the process ends. It has no keys of its
// own. Copy this folder to start a backend, then register it in builtin_backends.cpp.
#pragma once

#include "moxtrel/directory/backend_registry.h"

namespace moxtrel::backends::memory {

directory::BackendType MemoryBackendType();

}  // namespace moxtrel::backends::memory
