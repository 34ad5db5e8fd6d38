// SystemdContext: what the systemd provider and every handle it gives out share: the options,
// the manager's bus, the computer's paths, and the resolution of a path to one object.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/backends/systemd/manager_bus.h"
#include "moxtrel/backends/systemd/systemd_provider.h"
#include "moxtrel/directory/computer_address.h"
#include "moxtrel/directory/path.h"

namespace moxtrel::backends::systemd {

struct Target {
  directory::ObjectKind kind;
  std::string unit;  // "name.service"; empty for the computer
};

class SystemdContext {
 public:
  explicit SystemdContext(SystemdOptions options);

  const SystemdOptions& options() const noexcept { return options_; }
  ManagerBus& bus() noexcept { return bus_; }
  const directory::ComputerAddress& address() const noexcept { return address_; }
  std::u16string ServicePath(std::string_view unit) const;

  // The object a path names; errc::kNoSuchObject for another computer's path, a name no unit
  // can have, or a unit the manager does not know.
  Target Resolve(std::u16string_view path);

  // Every service unit: those with a unit file (stopped and disabled ones too) and those
  // loaded, each once, by unit name.
  std::vector<std::string> Services();
  // The unit's name as the manager spells it, when it knows one of this name (exact, else
  // without regard to case); empty when it knows none.
  std::string Known(const std::string& unit);

  // "<unit_dir>/<unit>" and "<unit_dir>/<unit>.d/<the backend's drop-in>".
  std::string UnitFilePath(const std::string& unit) const;
  std::string DropInPath(const std::string& unit) const;

  // Forgets the last listing (after a write: a deleted unit must not bind from it).
  void Forget();

 private:
  bool Listed(const std::string& unit);

  // A listing vouches for its units this long, so binding each unit it returned (as a
  // collection's refresh does) costs no further call.
  static constexpr std::chrono::milliseconds kListingVouches{1000};

  SystemdOptions options_;
  ManagerBus bus_;
  directory::ComputerAddress address_;
  std::mutex listing_lock_;
  std::vector<std::string> listed_;
  std::chrono::steady_clock::time_point listed_at_;
};

using ContextPtr = std::shared_ptr<SystemdContext>;

}  // namespace moxtrel::backends::systemd
