// PrivateSystemd: a service manager of its own for a test program, started and stopped only
// through the project's tools/private-systemd script (its own PID, mount and cgroup
// namespaces, a bus of its own, /proc/sys read-only), never any other way. It holds two test
// services in DIR/lib, where the manager reads vendor units (so they can be masked):
//   mox-sleep  "Sleeping service": /bin/sleep, enabled into multi-user.target
//   mox-dep    "Dependent service": /bin/sleep, Requires= and After= mox-sleep
// Reset() puts them back as new: both stopped, thawed, no drop-ins, links or masks.
//
// The destructor stops the manager by the script and checks that its cgroup is gone. A test
// program that dies first (a crash, an abort, a kill) is covered by a watchdog process, which
// runs the same stop when the program's end of a pipe closes without a word.
//
//   PrivateSystemd& sd = SharedSystemd();   // one per test program
//   if (!sd.Available()) GTEST_SKIP() << sd.Why();
//   o.bus = sd.Bus(); o.unit_dir = sd.Units();
#pragma once

#include <string>
#include <vector>

namespace moxtrel::testing {

class PrivateSystemd {
 public:
  PrivateSystemd();
  ~PrivateSystemd();
  PrivateSystemd(const PrivateSystemd&) = delete;
  PrivateSystemd& operator=(const PrivateSystemd&) = delete;

  bool Available() const noexcept { return started_; }
  const std::string& Why() const noexcept { return why_; }

  // The address of the system bus inside it, for sd-bus and busctl.
  const std::string& Bus() const noexcept { return bus_; }
  // DIR/units (its /etc/systemd/system) and DIR/lib (its /usr/lib/systemd/system).
  std::string Units() const { return dir_ + "/units"; }
  std::string Lib() const { return dir_ + "/lib"; }
  // The manager's process id as this machine sees it.
  int Pid() const noexcept { return pid_; }

  // Writes a unit file into DIR/lib (vendor) or DIR/units (administrator). No Reload.
  void WriteUnit(bool vendor, const std::string& name, const std::string& text) const;
  // Calls the manager's Manager method `method` with string arguments; throws
  // std::runtime_error with the manager's reason.
  void Call(const std::string& method, const std::vector<std::string>& args = {}) const;
  // A property of a unit, read as a string ("ActiveState", ...).
  std::string UnitProperty(const std::string& unit, const std::string& property) const;
  // Puts the test services back as the header describes.
  void Reset();

 private:
  void Stop();

  std::string dir_, bus_, why_, script_, cgroup_;
  int owner_ = 0;  // the process that started it
  int pid_ = 0;
  int watchdog_fd_ = -1;
  int watchdog_pid_ = 0;
  bool started_ = false;
};

// The one manager of this test program, started on first use.
PrivateSystemd& SharedSystemd();

}  // namespace moxtrel::testing
