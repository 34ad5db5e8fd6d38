// The systemd backend's configuration: services = "systemd" on a computer, with its keys
//   systemd_bus = "unix:path=/run/dbus/system_bus_socket"   the manager's bus; default the
//                                                            system bus
//   unit_dir = "/etc/systemd/system"                         where unit files and drop-ins go
#pragma once

#include "moxtrel/directory/backend_registry.h"

namespace moxtrel::backends::systemd {

directory::BackendType SystemdBackendType();

}  // namespace moxtrel::backends::systemd
