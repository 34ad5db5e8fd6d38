// JobWatch: a queue's job list kept up to date by an ippget subscription of that queue, so that
// listing the jobs of a watched queue again costs one Get-Notifications and one read of the
// queue's job count when nothing changed, plus one Get-Job-Attributes per job that did. The
// first listing is a plain Get-Jobs of what a walk reads; a second one means the queue is being
// watched (and its new jobs announced with their size and pages): it subscribes, and lists with
// every attribute. A server that refuses subscriptions gets a Get-Jobs per listing. cupsd raises no
// event of the queue when a job that is not printing is cancelled: a job count that differs from
// the list makes it list again. The subscription is renewed at half its lease and cancelled with
// the watch.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "moxtrel/backends/cups/cups_context.h"

namespace moxtrel::backends::cups {

using JobPtr = std::shared_ptr<const JobInfo>;
using JobList = std::vector<JobPtr>;

class JobWatch {
 public:
  JobWatch(ContextPtr ctx, std::string queue) : ctx_(std::move(ctx)), queue_(std::move(queue)) {}
  ~JobWatch();
  JobWatch(const JobWatch&) = delete;
  JobWatch& operator=(const JobWatch&) = delete;

  // The queue's unfinished jobs by job id, brought up to date; an unchanged list is shared, not
  // copied.
  std::shared_ptr<const JobList> Jobs();
  // A job this process changed or cancelled, read again at once.
  void Reread(int id);
  // `job` with every attribute, for a read that its listing did not bring. The first few jobs
  // of a listing are read one by one (Get-Job-Attributes); after that, one Get-Jobs of every
  // attribute fills every job the list holds, so a walk reading such a property costs two
  // listings and a few requests, not one request per job. A job that has finished since it was
  // listed still reads; one the server no longer holds is errc::kNoSuchObject.
  JobPtr Whole(const JobPtr& job);
  bool Subscribed() const;
  // Cancels the subscription now: the queue handle that watched is gone, though its jobs'
  // handles may still share this list. A later listing starts over as a first one.
  void Stop() noexcept;

 private:
  void List(bool whole);
  bool Subscribe();
  void Poll();
  void Renew();
  void Cancel() noexcept;
  void Fetch(int id);
  int QueuedJobs();  // queued-job-count; -1 when the server gives none
  void Publish();

  ContextPtr ctx_;
  std::string queue_;
  mutable std::mutex mu_;
  std::map<int, JobPtr> jobs_;
  std::shared_ptr<const JobList> published_ = std::make_shared<JobList>();
  bool dirty_ = true;
  int listings_ = 0;
  int singles_ = 0;       // jobs of the current list read whole one by one
  int subscription_ = 0;  // 0: none
  bool refused_ = false;
  int next_sequence_ = 1;
  std::chrono::steady_clock::time_point renew_at_;
};

}  // namespace moxtrel::backends::cups
