#include "moxtrel/backends/cups/cups_backend.h"

#include "moxtrel/backends/cups/cups_provider.h"

namespace moxtrel::backends::cups {
namespace {

using directory::BackendPlace;
using directory::ConfigSection;

CupsOptions Read(ConfigSection& section, const BackendPlace& place) {
  CupsOptions options;
  options.server = section.String("cups");
  options.user = section.String("cups_user");
  options.computer = place.name;
  options.domain = place.of_domain;
  return options;
}

}  // namespace

directory::BackendType CupsBackendType() {
  directory::BackendType type;
  type.name = "cups";
  type.selector = "printing";
  type.kinds = {directory::ObjectKind::kPrintQueue, directory::ObjectKind::kPrintJob};
  type.keys = {"cups", "cups_user"};
  type.failure_key = "cups";
  type.holds = "print queues";
  directory::ReadThenMake(type, Read, MakeCupsProvider);
  return type;
}

}  // namespace moxtrel::backends::cups
