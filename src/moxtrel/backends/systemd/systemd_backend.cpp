#include "moxtrel/backends/systemd/systemd_backend.h"

#include "moxtrel/backends/systemd/systemd_provider.h"

namespace moxtrel::backends::systemd {
namespace {

using directory::BackendPlace;
using directory::ConfigSection;

SystemdOptions Read(ConfigSection& section, const BackendPlace& place) {
  SystemdOptions options;
  options.bus = section.String("systemd_bus", "");
  // sd-bus takes "transport:key=value,...;..." addresses; a plain path is a common slip.
  if (section.Has("systemd_bus") && options.bus.find(':') == std::string::npos) {
    section.Fail("systemd_bus",
                 "\"" + options.bus +
                     "\" is not a D-Bus address (for a socket: \"unix:path=" + options.bus + "\")");
  }
  for (char c : options.bus) {
    if (static_cast<unsigned char>(c) < 0x20) {
      section.Fail("systemd_bus", "a D-Bus address holds no control characters");
    }
  }
  options.unit_dir = section.Resolve(section.String("unit_dir", options.unit_dir));
  if (options.unit_dir.empty()) section.Fail("unit_dir", "the unit folder may not be empty");
  options.computer = place.name;
  options.domain = place.of_domain;
  return options;
}

}  // namespace

directory::BackendType SystemdBackendType() {
  directory::BackendType type;
  type.name = "systemd";
  type.selector = "services";
  type.kinds = {directory::ObjectKind::kService};
  type.keys = {"systemd_bus", "unit_dir"};
  type.failure_key = "unit_dir";
  type.holds = "services";
  directory::ReadThenMake(type, Read, MakeSystemdProvider);
  return type;
}

}  // namespace moxtrel::backends::systemd
