// The service backends for one suite: the embedded directory and a private systemd, each
// holding on the computer kComputer the services
//   mox-sleep  "Sleeping service", "/bin/sleep 100000", started automatically (2), stopped
//   mox-dep    "Dependent service", the same program, on demand (3), depending on mox-sleep.
// The systemd backend lists the manager's own units besides them.
//
//   class ServicesSuite : public ServiceTest {};
//   INSTANTIATE_TEST_SUITE_P(Backends, ServicesSuite, ::testing::ValuesIn(ServiceBackends()),
//                            BackendName);
#pragma once

#include <string>
#include <vector>

#include "support/backend_suite.h"

namespace moxtrel::testing {

class ServiceBackend : public Backend {
 public:
  // Empty when the backend can run here; else why the test is skipped.
  virtual std::string SkipReason() { return {}; }
  // What a write leaves where the backend keeps services (the unit folder's files and their
  // text; empty for the embedded directory), to show that a refused write left nothing.
  virtual std::string Written() { return {}; }
  // A new provider over the same services, as another process would bind them.
  virtual std::shared_ptr<directory::DirectoryProvider> Fresh() { return Provider(); }
  // Has the service manager read its configuration again (systemd's daemon-reload, from
  // another client); nothing for the embedded directory.
  virtual void Reload() {}
};

// The embedded directory, and a private systemd (skipped where it cannot run). The manager is
// started once for the test program; each backend starts from the services above.
std::vector<BackendFactory> ServiceBackends();

}  // namespace moxtrel::testing
