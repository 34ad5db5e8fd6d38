// A print server with one queue on a stopped clock, for the printing tests.
//
//   class PrintJobsTest : public testing::PrintingTest {};
//   TEST_F(PrintJobsTest, ...) { Submit(u"alice", 0); queue->Find(u"LaserJet", u"PRINTSRV"); }
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "moxtrel/journal/fault_injector.h"
#include "moxtrel/platform/thread_timers.h"
#include "moxtrel/printing/mod_timer.h"
#include "support/directory_fixture.h"
#include "support/faults.h"

namespace moxtrel::testing {

class PrintingTest : public DirectoryTest {
 protected:
  PrintingTest() {
    previous_hook_ = modTimer::SetErrorHook(
        [this](const AutomationError& e) { contained.push_back(e.description()); });
    corp = build.AddDomain(u"CORP");
    srv = build.AddComputer(corp, u"PRINTSRV");
    laser = build.AddPrintQueue(srv, u"LaserJet", {{u"Location", u"Hall"}});
  }
  ~PrintingTest() override { modTimer::SetErrorHook(std::move(previous_hook_)); }

  // Submits a job to the LaserJet queue with the given status (8 = spooling).
  std::u16string Submit(const std::u16string& user, int32_t status, int32_t pages = 1) {
    return dir->SubmitJob(laser, {{u"User", Variant(user)},
                                  {u"Status", Variant(status)},
                                  {u"TotalPages", Variant(pages)},
                                  {u"Size", Variant(pages * 1000)},
                                  {u"Description", Variant(u"doc of " + user)},
                                  {u"TimeSubmitted", Variant(Date{45000.5})}});
  }

  platform::ManualTime clock;
  std::u16string corp, srv, laser;
  // Failures that handlers raised and the library contained.
  std::vector<std::u16string> contained;

 private:
  modTimer::ErrorHook previous_hook_;
};

}  // namespace moxtrel::testing
