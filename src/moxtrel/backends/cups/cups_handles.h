// Handles the CUPS provider hands out: the computer (a container of print queues), its queues,
// a queue's job collection, and the jobs. Queue handles read the server at every property get;
// a job handle reads the job as it was listed or bound, and again after each change it makes
// (a job from a first listing reads the rest of itself once, at the first read that needs it).
// Puts are staged in the handle until SetInfo sends them in one request.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "moxtrel/backends/cups/cups_context.h"
#include "moxtrel/backends/cups/job_watch.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/directory/backend_computer.h"
#include "moxtrel/directory/backend_handle.h"
#include "moxtrel/directory/partial_computer.h"
#include "moxtrel/directory/typed_properties.h"

namespace moxtrel::backends::cups {

std::shared_ptr<directory::IADs> MakeCupsHandle(const ContextPtr& ctx, const Target& target);

// The computer as the print server holds it: its print queues, and nothing more.
class CupsComputer final
    : public directory::ContextComputer<CupsContext, directory::PartialComputer> {
 public:
  static constexpr directory::ObjectKind kLists[] = {directory::ObjectKind::kPrintQueue};
  static constexpr directory::ServedPart kServed{u"the CUPS backend", u"the computer's printing",
                                                 u"print queues and jobs, and creates no queue",
                                                 kLists};

  explicit CupsComputer(ContextPtr ctx) : ContextComputer(std::move(ctx), kServed) {}

  std::unique_ptr<directory::IADsEnum> NewEnum() override;
  // Deletes a print queue (CUPS-Delete-Printer).
  void Delete(std::u16string_view class_word, std::u16string_view name) override;
};

class CupsQueue final : public directory::PrintQueueProperties,
                        public directory::IADsPrintQueueOperations,
                        public directory::NamedHandle<CupsContext, &CupsContext::ComputerPath> {
 public:
  CupsQueue(ContextPtr ctx, std::string name)
      : NamedHandle(std::move(ctx), directory::ObjectKind::kPrintQueue, std::move(name)),
        watch_(std::make_shared<JobWatch>(ctx_, name_)) {}
  // The watch's subscription ends with the queue handle that made it.
  ~CupsQueue() override { watch_->Stop(); }

  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override;

  std::shared_ptr<directory::IADsCollection> PrintJobs() override;

  int32_t Status() override { return Get(u"Status").ToLong(); }
  // Pause-Printer, Resume-Printer, and Purge-Jobs (every job cancelled).
  void Pause() override;
  void Resume() override;
  void Purge() override;
  // Whether the job list follows a subscription (tests and benchmarks look).
  bool Watching() const { return watch_->Subscribed(); }

 private:
  void Operation(ipp_op_t op, std::u16string_view what);

  std::shared_ptr<JobWatch> watch_;
  std::vector<std::pair<const PropertyRow<QueueInfo>*, Variant>> staged_;
};

class CupsJobs final : public directory::IADsCollection {
 public:
  CupsJobs(ContextPtr ctx, std::string queue, std::shared_ptr<JobWatch> watch)
      : ctx_(std::move(ctx)), queue_(std::move(queue)), watch_(std::move(watch)) {}
  std::unique_ptr<directory::IADsEnum> NewEnum() override;
  // Cancel-Job.
  void Remove(std::u16string_view name) override;

 private:
  ContextPtr ctx_;
  std::string queue_;
  std::shared_ptr<JobWatch> watch_;
};

class CupsJob final : public directory::PrintJobProperties,
                      public directory::BackendHandle<CupsContext> {
 public:
  CupsJob(ContextPtr ctx, JobPtr job, std::shared_ptr<JobWatch> watch = nullptr)
      : BackendHandle(std::move(ctx), directory::ObjectKind::kPrintJob),
        job_(std::move(job)),
        watch_(std::move(watch)) {}

  // A watch tick reads every job's name and status: both come straight from the job as read.
  std::u16string Name() override { return job_->name; }
  int32_t Status() override { return JobStatus(*job_); }
  std::u16string Parent() override { return job_->host_path; }
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override;

  // Hold-Job and Release-Job.
  void Pause() override { Operation(IPP_OP_HOLD_JOB, u"Pause"); }
  void Resume() override { Operation(IPP_OP_RELEASE_JOB, u"Resume"); }

 private:
  void Operation(ipp_op_t op, std::u16string_view what);
  void Reread();

  JobPtr job_;
  std::shared_ptr<JobWatch> watch_;
  std::vector<std::pair<const PropertyRow<JobInfo>*, Variant>> staged_;
};

}  // namespace moxtrel::backends::cups
