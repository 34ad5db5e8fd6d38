// moxPrintJob: a view of one job in a print queue. Every get reads the directory, every put
// writes and commits at once. Created by moxPrintJobs, which hands it the directory's job.
//
//   auto job = queue->PrintJobs()->Item(Variant(int32_t{1}));
//   job->Priority(50);                 // written and committed
//   std::u16string owner = job->User();
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/date.h"
#include "moxtrel/frame/object.h"

namespace moxtrel {

class moxPrintJobs;

class moxPrintJob final : public AutomationObject {
 public:
  static std::shared_ptr<moxPrintJob> Create();
  std::u16string_view TypeName() const noexcept override { return u"moxPrintJob"; }

  std::u16string Description();
  void Description(const std::u16string& sDescription);
  // The queue's path without the scheme.
  std::u16string HostPrintQueue();
  std::u16string Name();
  int32_t Pages();
  int32_t Priority();
  // Values outside 1..99 are ignored.
  void Priority(int32_t lPriority);
  int32_t Size();
  Date StartTime();
  void StartTime(Date dStartTime);
  Date TimeSubmitted();
  Date UntilTime();
  void UntilTime(Date dUntilTime);
  std::u16string User();

 private:
  moxPrintJob() = default;
  friend class moxPrintJobs;

  void SetProviderJob(std::shared_ptr<directory::IADsPrintJob> job) { job_ = std::move(job); }

  std::shared_ptr<directory::IADsPrintJob> job_;
};

}  // namespace moxtrel
