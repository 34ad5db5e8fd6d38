#include "moxtrel/platform/thread_timers.h"

#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace moxtrel::platform {
namespace {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

struct Timer {
  std::chrono::milliseconds interval;
  TimePoint due;
  TimerCallback callback;
};

class MessageQueue {
 public:
  ~MessageQueue();

  TimerId Set(int32_t interval_ms, TimerCallback callback);
  bool Kill(TimerId id);
  // Runs the callbacks due now, in due order; once a callback has run past `deadline` (it
  // blocked that long), the rest are left for the next pump.
  std::size_t DispatchDue(TimePoint deadline = TimePoint::max());
  std::size_t PumpFor(std::chrono::milliseconds duration);
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  int Fd();
  std::size_t Active() const { return timers_.size(); }
  TimerCalls Calls() const { return calls_; }
  void FailSets(int count) { set_failures_ += std::max(count, 0); }
  void FailKills(int count) { kill_failures_ += std::max(count, 0); }
  bool Manual() const { return manual_; }
  void SetManual(bool manual);
  void Advance(std::chrono::milliseconds by);
  TimePoint Now() const { return manual_ ? manual_now_ : Clock::now(); }

 private:
  std::optional<TimePoint> EarliestDue() const;
  TimerId NextId();
  void Rearm();
  void Drain();
  // Blocks until the fd is readable or `until` has passed; real time only.
  void WaitUntil(TimePoint until);

  std::map<TimerId, Timer> timers_;
  TimerId last_id_ = 0;
  int fd_ = -1;
  bool fd_failed_ = false;
  bool manual_ = false;
  TimePoint manual_now_{};
  int set_failures_ = 0;
  int kill_failures_ = 0;
  TimerCalls calls_;
};

// The queue is reached during thread teardown too (a timer destroyed late); after its
// destructor ran, every call acts as if the queue were unavailable.
thread_local bool queue_gone = false;
thread_local MessageQueue queue;

MessageQueue* Queue() noexcept {
  return queue_gone ? nullptr : &queue;
}

MessageQueue::~MessageQueue() {
  queue_gone = true;
  if (fd_ >= 0) ::close(fd_);
}

int MessageQueue::Fd() {
  if (fd_ < 0 && !fd_failed_) {
    fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    fd_failed_ = fd_ < 0;
    Rearm();
  }
  return fd_;
}

TimerId MessageQueue::NextId() {
  // Identifiers count up and wrap, skipping 0 and those still in use.
  do {
    last_id_ = last_id_ == std::numeric_limits<TimerId>::max() ? 1 : last_id_ + 1;
  } while (timers_.count(last_id_) != 0);
  return last_id_;
}

TimerId MessageQueue::Set(int32_t interval_ms, TimerCallback callback) {
  ++calls_.set;
  if (set_failures_ > 0) {
    --set_failures_;
    return 0;
  }
  if (interval_ms <= 0 || !callback || Fd() < 0) return 0;
  const auto interval = std::chrono::milliseconds(interval_ms);
  const TimerId id = NextId();
  timers_.emplace(id, Timer{interval, Now() + interval, std::move(callback)});
  Rearm();
  return id;
}

bool MessageQueue::Kill(TimerId id) {
  ++calls_.kill;
  if (kill_failures_ > 0) {
    --kill_failures_;
    return false;
  }
  if (timers_.erase(id) == 0) return false;
  Rearm();
  return true;
}

std::optional<TimePoint> MessageQueue::EarliestDue() const {
  std::optional<TimePoint> earliest;
  for (const auto& [id, timer] : timers_) {
    if (!earliest || timer.due < *earliest) earliest = timer.due;
  }
  return earliest;
}

void MessageQueue::Rearm() {
  if (fd_ < 0) return;
  itimerspec setting{};
  const auto earliest = EarliestDue();
  // Virtual time has no real deadline: the fd stays quiet while the clock is manual.
  if (earliest && !manual_) {
    auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(*earliest - Clock::now());
    if (wait.count() < 1) wait = std::chrono::nanoseconds(1);  // 0 would disarm
    setting.it_value.tv_sec = static_cast<time_t>(wait.count() / 1000000000);
    setting.it_value.tv_nsec = static_cast<long>(wait.count() % 1000000000);
  }
  ::timerfd_settime(fd_, 0, &setting, nullptr);
}

void MessageQueue::Drain() {
  if (fd_ < 0) return;
  uint64_t expirations = 0;
  while (::read(fd_, &expirations, sizeof expirations) == sizeof expirations) {
  }
}

void MessageQueue::WaitUntil(TimePoint until) {
  const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(until - Clock::now());
  if (wait.count() <= 0) return;
  timespec timeout{static_cast<time_t>(wait.count() / 1000000000),
                   static_cast<long>(wait.count() % 1000000000)};
  pollfd pfd{Fd(), POLLIN, 0};
  if (pfd.fd < 0) {
    while (::nanosleep(&timeout, &timeout) != 0 && errno == EINTR) {
    }
    return;
  }
  ::ppoll(&pfd, 1, &timeout, nullptr);
}

std::size_t MessageQueue::DispatchDue(TimePoint deadline) {
  Drain();
  const TimePoint now = Now();
  std::vector<std::pair<TimePoint, TimerId>> due;
  for (const auto& [id, timer] : timers_) {
    if (timer.due <= now) due.emplace_back(timer.due, id);
  }
  std::sort(due.begin(), due.end());
  struct RearmOnExit {
    MessageQueue& q;
    ~RearmOnExit() { q.Rearm(); }
  } rearm{*this};
  std::size_t fired = 0;
  for (const auto& [when, id] : due) {
    // A callback may have killed or re-run this timer meanwhile.
    auto it = timers_.find(id);
    if (it == timers_.end() || it->second.due > now) continue;
    if (fired > 0 && Now() > deadline) break;
    it->second.due = now + it->second.interval;
    // A copy: the callback may kill its own timer.
    TimerCallback callback = it->second.callback;
    ++fired;
    callback(id);
  }
  return fired;
}

std::size_t MessageQueue::PumpFor(std::chrono::milliseconds duration) {
  const TimePoint deadline = Now() + std::max(duration, std::chrono::milliseconds(0));
  std::size_t fired = 0;
  for (;;) {
    fired += DispatchDue(deadline);
    const auto next = EarliestDue();
    if (manual_) {
      if (!next || *next > deadline || manual_now_ > deadline) break;
      manual_now_ = std::max(manual_now_, *next);
    } else {
      if (Clock::now() >= deadline) break;
      WaitUntil(next ? std::min(*next, deadline) : deadline);
    }
  }
  if (manual_) manual_now_ = std::max(manual_now_, deadline);
  return fired;
}

bool MessageQueue::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const TimePoint deadline = Now() + std::max(timeout, std::chrono::milliseconds(0));
  for (;;) {
    DispatchDue(deadline);
    if (done()) return true;
    const auto next = EarliestDue();
    if (manual_) {
      if (!next || *next > deadline || manual_now_ > deadline) {
        manual_now_ = std::max(manual_now_, deadline);
        return done();
      }
      manual_now_ = std::max(manual_now_, *next);
    } else {
      if (Clock::now() >= deadline) return false;
      WaitUntil(next ? std::min(*next, deadline) : deadline);
    }
  }
}

void MessageQueue::Advance(std::chrono::milliseconds by) {
  if (manual_) manual_now_ += std::max(by, std::chrono::milliseconds(0));
}

void MessageQueue::SetManual(bool manual) {
  if (manual == manual_) return;
  const TimePoint real_now = Clock::now();
  if (manual) {
    manual_now_ = real_now;
  } else {
    // Timers keep the time they had left on the stopped clock.
    const auto shift = real_now - manual_now_;
    for (auto& [id, timer] : timers_) timer.due += shift;
  }
  manual_ = manual;
  Rearm();
}

}  // namespace

TimerId SetTimer(int32_t interval_ms, TimerCallback callback) {
  MessageQueue* q = Queue();
  return q ? q->Set(interval_ms, std::move(callback)) : 0;
}

bool KillTimer(TimerId id) {
  MessageQueue* q = Queue();
  return q && q->Kill(id);
}

std::size_t PumpOnce() {
  MessageQueue* q = Queue();
  return q ? q->DispatchDue() : 0;
}

std::size_t PumpFor(std::chrono::milliseconds duration) {
  MessageQueue* q = Queue();
  return q ? q->PumpFor(duration) : 0;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  MessageQueue* q = Queue();
  if (!q) return done();
  return q->PumpUntil(done, timeout);
}

int QueueFd() {
  MessageQueue* q = Queue();
  return q ? q->Fd() : -1;
}

std::size_t ActiveTimers() {
  MessageQueue* q = Queue();
  return q ? q->Active() : 0;
}

TimerCalls CallCounts() {
  MessageQueue* q = Queue();
  return q ? q->Calls() : TimerCalls{};
}

void FailNextSetTimer(int count) {
  if (MessageQueue* q = Queue()) q->FailSets(count);
}

void FailNextKillTimer(int count) {
  if (MessageQueue* q = Queue()) q->FailKills(count);
}

std::chrono::steady_clock::time_point Now() {
  MessageQueue* q = Queue();
  return q ? q->Now() : std::chrono::steady_clock::now();
}

void ManualTime::Advance(std::chrono::milliseconds by) {
  if (MessageQueue* q = Queue()) q->Advance(by);
}

ManualTime::ManualTime() {
  MessageQueue* q = Queue();
  was_manual_ = q && q->Manual();
  if (q) q->SetManual(true);
}

ManualTime::~ManualTime() {
  if (MessageQueue* q = Queue(); q && !was_manual_) q->SetManual(false);
}

}  // namespace moxtrel::platform
