#include "moxtrel/backends/systemd/service_mapping.h"

#include <utility>

#include "moxtrel/frame/text.h"

namespace moxtrel::backends::systemd {
namespace {

constexpr std::pair<ServiceField, std::u16string_view> kFields[] = {
    {ServiceField::kHostComputer, u"HostComputer"},
    {ServiceField::kDisplayName, u"DisplayName"},
    {ServiceField::kServiceType, u"ServiceType"},
    {ServiceField::kStartType, u"StartType"},
    {ServiceField::kPath, u"Path"},
    {ServiceField::kErrorControl, u"ErrorControl"},
    {ServiceField::kLoadOrderGroup, u"LoadOrderGroup"},
    {ServiceField::kServiceAccountName, u"ServiceAccountName"},
    {ServiceField::kDependencies, u"Dependencies"},
    {ServiceField::kStatus, u"Status"},
};

}  // namespace

int32_t StatusFrom(std::string_view active_state, std::string_view freezer_state) {
  if (freezer_state == "frozen") return kPaused;
  if (freezer_state == "freezing") return kPausePending;
  if (freezer_state == "thawing") return kContinuePending;
  if (active_state == "active" || active_state == "reloading") return kRunning;
  if (active_state == "activating") return kStartPending;
  if (active_state == "deactivating") return kStopPending;
  return kStopped;  // inactive, failed, maintenance
}

int32_t StartTypeFrom(std::string_view unit_file_state) {
  if (unit_file_state == "enabled" || unit_file_state == "enabled-runtime") return kAutoStart;
  if (unit_file_state == "masked" || unit_file_state == "masked-runtime") return kDisabledStart;
  return kDemandStart;  // disabled, static, indirect, linked, generated, transient, ...
}

bool Runs(std::string_view active_state) {
  return active_state != "inactive" && active_state != "failed" && !active_state.empty();
}

bool FindServiceField(std::u16string_view name, ServiceField& field) {
  for (const auto& [f, n] : kFields) {
    if (EqualsNoCase(n, name)) {
      field = f;
      return true;
    }
  }
  return false;
}

std::u16string_view FieldName(ServiceField field) {
  for (const auto& [f, n] : kFields) {
    if (f == field) return n;
  }
  return u"";
}

}  // namespace moxtrel::backends::systemd
