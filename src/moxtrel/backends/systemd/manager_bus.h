// ManagerBus: the calls the systemd backend makes on the service manager
// (org.freedesktop.systemd1 over D-Bus, through sd-bus). One connection, opened on first use and
// again after the manager or the process (a fork) lost it; every call holds one lock, so
// handles on several threads share it safely.
//
//   ManagerBus bus("unix:path=/run/dbus/system_bus_socket", std::chrono::seconds(90));
//   for (const auto& u : bus.ListUnits()) ...
//   bus.RunJob("StartUnit", "sleep.service");   // returns once its JobRemoved says "done"
//
// Failures throw AutomationError naming the unit and the manager's reason: errc::kNoSuchObject
// for a unit the manager does not know, errc::kAccessDenied when it refuses the caller,
// errc::kServiceControlRefused for a job that did not end "done", errc::kFail otherwise.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sd_bus;

namespace moxtrel::backends::systemd {

// One row of ListUnits.
struct LoadedUnit {
  std::string name, description, load_state, active_state, sub_state;
};

// One row of ListUnitFiles: the unit's name (the file's base name) and its enablement state.
struct UnitFile {
  std::string name, state;
};

// What the backend reads of one unit, in one round of property reads.
struct UnitState {
  std::string load_state, active_state, sub_state, freezer_state, unit_file_state;
};

// One ExecStart entry: the program and its arguments (argv[0] first).
struct ExecCommand {
  std::string path;
  std::vector<std::string> argv;
};

class ManagerBus {
 public:
  // `address` empty: the system bus. `timeout`: for each call, and for each job to finish.
  ManagerBus(std::string address, std::chrono::milliseconds timeout);
  ~ManagerBus();
  ManagerBus(const ManagerBus&) = delete;
  ManagerBus& operator=(const ManagerBus&) = delete;

  const std::string& address() const noexcept { return address_; }

  std::vector<LoadedUnit> ListUnits();
  // The manager walks every unit folder and works out each file's state for this call (about
  // 1 ms of its CPU per unit), so its answer is kept until the manager says that unit files
  // changed (UnitFilesChanged, after enable, disable and mask) or that it reloads (Reloading),
  // or the connection is made again.
  std::vector<UnitFile> ListUnitFiles();
  // The unit's object path (loading it); errc::kNoSuchObject when its name is refused.
  std::string LoadUnit(const std::string& unit);
  UnitState State(const std::string& unit);
  std::string UnitString(const std::string& unit, const char* property);
  std::vector<std::string> UnitStrings(const std::string& unit, const char* property);
  std::string ServiceString(const std::string& unit, const char* property);
  std::vector<ExecCommand> ExecStart(const std::string& unit);

  // StartUnit or StopUnit in "replace" mode, waiting for the job's JobRemoved; a result other
  // than "done" throws errc::kServiceControlRefused naming it, and no JobRemoved within the
  // timeout throws errc::kFail (the job goes on).
  void RunJob(const char* method, const std::string& unit);
  // FreezeUnit or ThawUnit: the manager replies once the unit's processes are frozen or thawed.
  void Freezer(const char* method, const std::string& unit);

  void Reload();
  // EnableUnitFiles, DisableUnitFiles, MaskUnitFiles, UnmaskUnitFiles: persistent, forced where
  // the method takes it (a mask replaces a stale link).
  void UnitFiles(const char* method, const std::string& unit);

  // Calls made since the bus was made (each method call counts once).
  long Calls() const noexcept { return calls_; }

 private:
  sd_bus* Bus();  // opened and subscribed when needed; lock held
  void Drop();    // lock held
  [[noreturn]] void Fail(int r, const char* what, const std::string& unit, const void* error);

  std::string address_;
  std::chrono::milliseconds timeout_;
  std::mutex lock_;
  sd_bus* bus_ = nullptr;
  int pid_ = 0;
  long calls_ = 0;
  // JobRemoved results by job path, filled while a job is awaited.
  std::map<std::string, std::string> removed_;
  std::optional<std::vector<UnitFile>> files_;

 public:
  // The JobRemoved signal's handler.
  void NoteJobRemoved(const char* job, const char* result) { removed_[job] = result; }
  // The Reloading and UnitFilesChanged signals' handler.
  void NoteUnitFilesChanged() { files_.reset(); }
};

}  // namespace moxtrel::backends::systemd
