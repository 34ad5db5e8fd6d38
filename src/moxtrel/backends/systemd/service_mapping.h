// How a systemd service unit reads as a service of the object model (docs/services.md has the
// same table):
//
//   Status          ActiveState and FreezerState: active 4, frozen 7, freezing 6, thawing 5,
//                   activating 2, deactivating 3, inactive or failed 1
//   StartType       UnitFileState: enabled 2, masked 4, anything else 3
//   ServiceType     Type: every type of service unit is its own process, 16
//   Path            ExecStart: the program and its arguments
//   ServiceAccountName  User; "root" when none is set
//   DisplayName     Description
//   Dependencies    the services among Requires and Wants (written as Requires= with After=)
//   ErrorControl    no place in systemd: reads 0, a write fails
//   LoadOrderGroup  no place in systemd: reads "", a write fails
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace moxtrel::backends::systemd {

inline constexpr int32_t kStopped = 1, kStartPending = 2, kStopPending = 3, kRunning = 4,
                         kContinuePending = 5, kPausePending = 6, kPaused = 7;
inline constexpr int32_t kAutoStart = 2, kDemandStart = 3, kDisabledStart = 4;
inline constexpr int32_t kOwnProcess = 16;
// Who a service without User= runs as.
inline constexpr std::string_view kDefaultUser = "root";

int32_t StatusFrom(std::string_view active_state, std::string_view freezer_state);
int32_t StartTypeFrom(std::string_view unit_file_state);
// Whether a unit in this state counts as running for the services that depend on it.
bool Runs(std::string_view active_state);

// The property names of moxService's provider object, and what the backend does with each.
enum class ServiceField {
  kHostComputer,
  kDisplayName,
  kServiceType,
  kStartType,
  kPath,
  kErrorControl,
  kLoadOrderGroup,
  kServiceAccountName,
  kDependencies,
  kStatus,
};

// nullptr-free lookup: false when the service object has no such property.
bool FindServiceField(std::u16string_view name, ServiceField& field);
std::u16string_view FieldName(ServiceField field);

}  // namespace moxtrel::backends::systemd
