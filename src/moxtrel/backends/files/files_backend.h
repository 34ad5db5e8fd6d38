// The files backend's configuration: accounts = "files" on a computer, with its keys
//   root = "/"               where etc/passwd, etc/group, etc/shadow and etc/gshadow live
//   allow_shutdown = false   whether Shutdown may run the shutdown command
#pragma once

#include "moxtrel/directory/backend_registry.h"

namespace moxtrel::backends::files {

directory::BackendType FilesBackendType();

}  // namespace moxtrel::backends::files
