// The CUPS backend's configuration: printing = "cups" on a computer, with its keys
//   cups = "host:port"   the server (empty: libcups' own default)
//   cups_user = "name"   the user its requests are made as
#pragma once

#include "moxtrel/directory/backend_registry.h"

namespace moxtrel::backends::cups {

directory::BackendType CupsBackendType();

}  // namespace moxtrel::backends::cups
