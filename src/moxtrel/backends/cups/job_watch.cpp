#include "moxtrel/backends/cups/job_watch.h"

#include <set>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::cups {
namespace {

const char* const kEvents[] = {"job-created", "job-completed", "job-state-changed",
                               "job-config-changed"};

// Jobs of one list read whole one by one before the rest are read in one listing.
constexpr int kSingles = 8;

}  // namespace

JobWatch::~JobWatch() {
  Cancel();
}

bool JobWatch::Subscribed() const {
  std::lock_guard lock(mu_);
  return subscription_ != 0;
}

std::shared_ptr<const JobList> JobWatch::Jobs() {
  std::lock_guard lock(mu_);
  ++listings_;
  if (listings_ == 1) {
    List(false);
  } else if (refused_ || !ctx_->options().subscriptions) {
    List(true);
  } else if (subscription_ == 0) {
    // Subscribe before listing, so that nothing happening between the two is missed.
    if (!Subscribe()) refused_ = true;
    List(true);
  } else {
    if (std::chrono::steady_clock::now() >= renew_at_) Renew();
    if (subscription_ != 0) {
      Poll();
    } else {
      if (!Subscribe()) refused_ = true;
      List(true);
    }
  }
  Publish();
  return published_;
}

void JobWatch::Stop() noexcept {
  std::lock_guard lock(mu_);
  Cancel();
  listings_ = 0;
}

void JobWatch::Reread(int id) {
  std::lock_guard lock(mu_);
  Fetch(id);
}

JobPtr JobWatch::Whole(const JobPtr& job) {
  std::lock_guard lock(mu_);
  auto it = jobs_.find(job->id);
  if (it != jobs_.end() && it->second->whole) return it->second;
  if (it != jobs_.end() && ++singles_ > kSingles) {
    // The caller walks the list: fill every job the list holds at once.
    for (auto& j : ctx_->Jobs(queue_, true)) {
      if (auto slot = jobs_.find(j.id); slot != jobs_.end() && !slot->second->whole) {
        slot->second = std::make_shared<const JobInfo>(std::move(j));
      }
    }
    dirty_ = true;
    it = jobs_.find(job->id);
    if (it != jobs_.end() && it->second->whole) return it->second;
  }
  auto whole = std::make_shared<const JobInfo>(ctx_->Job(queue_, job->id, true));
  if (it != jobs_.end() && !Finished(*whole)) {
    it->second = whole;
    dirty_ = true;
  }
  return whole;
}

void JobWatch::List(bool whole) {
  jobs_.clear();
  singles_ = 0;
  for (auto& j : ctx_->Jobs(queue_, whole)) {
    const int id = j.id;
    jobs_[id] = std::make_shared<const JobInfo>(std::move(j));
  }
  dirty_ = true;
}

bool JobWatch::Subscribe() {
  CupsConnection& c = ctx_->connection();
  // The queue's own subscription: no other queue's events reach this process. cupsd ties the
  // cancellation of a job that is not printing to no queue, so each tick also compares the
  // queue's job count with the list (see Poll).
  IppPtr r = c.Request(IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS, queue_);
  ippAddStrings(r.get(), IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-events",
                sizeof kEvents / sizeof kEvents[0], nullptr, kEvents);
  ippAddString(r.get(), IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-pull-method", nullptr,
               "ippget");
  ippAddInteger(r.get(), IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration",
                static_cast<int>(ctx_->options().lease.count()));
  IppPtr response;
  try {
    response = c.Send(std::move(r), "/", u"Watching the print queue " + ctx_->QueuePath(queue_));
  } catch (const AutomationError& e) {
    // A server that demands authentication for subscriptions is watched by listing.
    if (e.code() != static_cast<int32_t>(errc::kAccessDenied)) throw;
    return false;
  }
  ipp_attribute_t* id = ippFindAttribute(response.get(), "notify-subscription-id", IPP_TAG_INTEGER);
  if (ippGetStatusCode(response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE || !id) return false;
  subscription_ = ippGetInteger(id, 0);
  next_sequence_ = 1;
  renew_at_ = std::chrono::steady_clock::now() + ctx_->options().lease / 2;
  return true;
}

void JobWatch::Renew() {
  CupsConnection& c = ctx_->connection();
  IppPtr r = c.Request(IPP_OP_RENEW_SUBSCRIPTION, queue_);
  ippAddInteger(r.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id",
                subscription_);
  ippAddInteger(r.get(), IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration",
                static_cast<int>(ctx_->options().lease.count()));
  IppPtr response = c.Send(std::move(r), "/", u"Renewing the watch of " + ctx_->QueuePath(queue_));
  if (ippGetStatusCode(response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE) {
    subscription_ = 0;  // gone: the caller subscribes again and lists
  } else {
    renew_at_ = std::chrono::steady_clock::now() + ctx_->options().lease / 2;
  }
}

void JobWatch::Poll() {
  CupsConnection& c = ctx_->connection();
  IppPtr r = c.Request(IPP_OP_GET_NOTIFICATIONS, queue_);
  ippAddInteger(r.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-ids",
                subscription_);
  ippAddInteger(r.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-sequence-numbers",
                next_sequence_);
  IppPtr response =
      c.Send(std::move(r), "/", u"Watching the print queue " + ctx_->QueuePath(queue_));
  if (ippGetStatusCode(response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE) {
    // The subscription expired or the server forgot it: start again from a listing.
    subscription_ = 0;
    if (!Subscribe()) refused_ = true;
    List(true);
    return;
  }
  std::set<int> changed;
  bool gap = false;
  for (ipp_attribute_t* a = ippFirstAttribute(response.get()); a;
       a = ippNextAttribute(response.get())) {
    if (ippGetGroupTag(a) != IPP_TAG_EVENT_NOTIFICATION || !ippGetName(a)) continue;
    const std::string_view n = ippGetName(a);
    if (n == "notify-sequence-number") {
      const int seq = ippGetInteger(a, 0);
      if (seq > next_sequence_) gap = true;  // the server dropped events we never saw
      if (seq >= next_sequence_) next_sequence_ = seq + 1;
    } else if (n == "notify-job-id") {
      changed.insert(ippGetInteger(a, 0));
    }
  }
  if (gap) {
    List(true);
    return;
  }
  for (int id : changed) Fetch(id);
  // The arrival of a job's last document raises no event on a stopped queue: jobs still
  // receiving data are read again at each tick until they are complete.
  std::vector<int> incoming;
  for (const auto& [id, job] : jobs_) {
    if (!changed.count(id) && JobStatus(*job) == directory::kJobStatusSpooling) {
      incoming.push_back(id);
    }
  }
  for (int id : incoming) Fetch(id);
  // A job cancelled while it was not printing raises no event of this queue: a count that
  // differs from the list means the list missed something.
  if (QueuedJobs() != static_cast<int>(jobs_.size())) List(true);
}

int JobWatch::QueuedJobs() {
  CupsConnection& c = ctx_->connection();
  IppPtr r = c.Request(IPP_OP_GET_PRINTER_ATTRIBUTES, queue_);
  ippAddString(r.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "queued-job-count");
  IppPtr response = c.Do(std::move(r), "/", u"Watching the print queue " + ctx_->QueuePath(queue_));
  ipp_attribute_t* count = ippFindAttribute(response.get(), "queued-job-count", IPP_TAG_INTEGER);
  return count ? ippGetInteger(count, 0) : -1;
}

void JobWatch::Fetch(int id) {
  try {
    auto job = std::make_shared<const JobInfo>(ctx_->Job(queue_, id));
    auto& slot = jobs_[id];
    if (!slot || JobStatus(*slot) != JobStatus(*job) || slot->priority != job->priority ||
        slot->title != job->title || slot->k_octets != job->k_octets ||
        slot->impressions != job->impressions) {
      dirty_ = true;
    }
    slot = std::move(job);
  } catch (const AutomationError& e) {
    if (e.code() != static_cast<int32_t>(errc::kNoSuchObject)) throw;
    if (jobs_.erase(id)) dirty_ = true;  // finished, cancelled or moved away
  }
}

void JobWatch::Publish() {
  if (!dirty_) return;
  auto list = std::make_shared<JobList>();
  list->reserve(jobs_.size());
  for (const auto& [id, job] : jobs_) list->push_back(job);
  published_ = std::move(list);
  dirty_ = false;
}

void JobWatch::Cancel() noexcept {
  if (subscription_ == 0) return;
  try {
    CupsConnection& c = ctx_->connection();
    IppPtr r = c.Request(IPP_OP_CANCEL_SUBSCRIPTION, queue_);
    ippAddInteger(r.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id",
                  subscription_);
    c.Send(std::move(r), "/", u"Ending the watch of " + ctx_->QueuePath(queue_));
  } catch (...) {
    // The lease ends it on the server anyway.
  }
  subscription_ = 0;
}

}  // namespace moxtrel::backends::cups
