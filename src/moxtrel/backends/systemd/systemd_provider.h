// The "systemd" backend: one computer's services served by its systemd over D-Bus, as a
// directory provider. Services are the manager's service units (loaded, or with a unit file);
// changes are drop-ins and unit files in `unit_dir` followed by the manager's Reload, start
// types are its enable, disable and mask; start, stop, pause and continue are its jobs and its
// freezer. See docs/services.md.
//
//   SystemdOptions o;
//   o.bus = "unix:path=/run/dbus/system_bus_socket";   // empty: the system bus
//   o.computer = u"pc1";
//   directory::SetCurrentProvider(MakeSystemdProvider(o));
//   auto s = directory::Bind<directory::IADsService>(u"WinNT://pc1/cron,service");
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "moxtrel/directory/provider.h"

namespace moxtrel::backends::systemd {

struct SystemdOptions {
  std::string bus;                               // a D-Bus address; empty: the system bus
  std::string unit_dir = "/etc/systemd/system";  // where unit files and drop-ins are written
  std::u16string computer;                       // the computer's name as paths spell it
  std::u16string domain;                     // empty: paths "WinNT://C/..."; else "WinNT://D/C/..."
  std::chrono::milliseconds timeout{90000};  // per call, and per job to finish
};

// Throws AutomationError errc::kInvalidArg for an empty computer name or a unit folder that is
// not an absolute path. Connects on first use, not here.
std::shared_ptr<directory::DirectoryProvider> MakeSystemdProvider(SystemdOptions options);

// Method calls made on the manager by a provider MakeSystemdProvider made (-1 for any other).
long ManagerCalls(const std::shared_ptr<directory::DirectoryProvider>& provider);

}  // namespace moxtrel::backends::systemd
