// The printing backends for one suite: the embedded directory and a private cupsd, each holding
// the computer kComputer with the stopped queue "LaserJet" (description "Laser printer",
// location "Hall") and no jobs. Jobs are submitted behind the provider's back, as a user would.
//
//   class PrintingSuite : public PrintingTest {};
//   INSTANTIATE_TEST_SUITE_P(Backends, PrintingSuite, ::testing::ValuesIn(PrintingBackends()),
//                            BackendName);
#pragma once

#include <string>
#include <vector>

#include "support/backend_suite.h"

namespace moxtrel::testing {

inline constexpr std::u16string_view kQueue = u"LaserJet";

class CupsdServer;

class PrintingBackend : public Backend {
 public:
  // Empty when the backend can run here; else why the test is skipped.
  virtual std::string SkipReason() { return {}; }
  // "host:port" of a server backend; empty for the embedded directory.
  virtual std::string Address() { return {}; }
  // A job whose data is complete; returns its name.
  virtual std::u16string Submit(const std::string& user, const std::string& title, int bytes) = 0;
  // A job whose data is still arriving, and the arrival of its last byte.
  virtual std::u16string SubmitIncoming(const std::string& user, const std::string& title) = 0;
  virtual void FinishIncoming(const std::u16string& job) = 0;
  // Cancels a job without going through the provider.
  virtual void CancelBehind(const std::u16string& job) = 0;
  // The private scheduler of the cupsd backend; nullptr for any other.
  virtual CupsdServer* Cupsd() { return nullptr; }
};

// The embedded directory, and cupsd (skipped where cupsd is not installed).
std::vector<BackendFactory> PrintingBackends();

}  // namespace moxtrel::testing
