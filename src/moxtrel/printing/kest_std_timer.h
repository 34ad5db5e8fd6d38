// KestStdTimer: raises its Timer event every Interval milliseconds while running, on the
// thread that started it and only while that thread pumps messages. Library-private; the
// print jobs collection drives its auto-update with one.
//
//   auto timer = KestStdTimer::Create();
//   EventToken token = timer->Timer([weak] { if (auto jobs = weak.lock()) jobs->Refresh(); });
//   timer->Interval(500);
//   timer->StartTimer();      // registered in modTimer's colTimers until stopped
//   timer->StopTimer();
//   timer->Timer(token);      // disconnects
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "moxtrel/frame/event.h"
#include "moxtrel/platform/thread_timers.h"

namespace moxtrel {

class KestStdTimer;

namespace modTimer {
void TimerProc(platform::TimerId identifier) noexcept;
}

class KestStdTimer : public std::enable_shared_from_this<KestStdTimer> {
 public:
  static std::shared_ptr<KestStdTimer> Create();
  KestStdTimer(const KestStdTimer&) = delete;
  KestStdTimer& operator=(const KestStdTimer&) = delete;
  ~KestStdTimer();

  // Milliseconds between ticks; a change is ignored while running or when not positive.
  int32_t Interval() const noexcept { return interval_; }
  void Interval(int32_t lInt) noexcept;
  bool Running() const noexcept { return running_; }

  // False when already running or when the platform refuses the timer.
  bool StartTimer();
  // False when not running or when the platform cannot kill the timer (it then runs on).
  bool StopTimer();

  // Connects a handler of the Timer event; a throwing handler does not stop the others and
  // goes to modTimer's error hook.
  using TimerHandler = std::function<void()>;
  EventToken Timer(TimerHandler handler) { return timer_.Connect(std::move(handler)); }
  void Timer(EventToken token) noexcept { timer_.Disconnect(token); }

  // The platform identifier while running, else 0.
  platform::TimerId Identifier() const noexcept { return id_; }

 private:
  KestStdTimer();
  friend void modTimer::TimerProc(platform::TimerId identifier) noexcept;

  void RaiseTimer();
  void Unregister() noexcept;

  int32_t interval_ = 1000;
  bool running_ = false;
  platform::TimerId id_ = 0;
  Event<> timer_;
};

}  // namespace moxtrel
