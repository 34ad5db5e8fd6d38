// Thread timers: the stand-in for the platform's per-thread message queue and its timers.
// A timer belongs to the thread that set it; its callback runs only on that thread, and only
// while that thread pumps messages. Expiries that pile up while nobody pumps coalesce into one.
//
//   TimerId id = platform::SetTimer(250, [](platform::TimerId) { poll_queue(); });
//   platform::PumpFor(std::chrono::seconds(2));                 // ticks about 8 times
//   platform::PumpUntil([&] { return done; }, std::chrono::seconds(5));
//   platform::KillTimer(id);
//
// A client with its own event loop polls QueueFd() for reading and calls PumpOnce() when it
// is readable. Tests stop the clock with ManualTime: PumpFor then moves time forward from
// expiry to expiry without sleeping, as if that much time had passed.
//
//   platform::ManualTime time;                  // this thread's clock stands still
//   platform::PumpFor(std::chrono::milliseconds(1000));   // a 250 ms timer fires 4 times
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace moxtrel::platform {

// A timer's identifier on its thread; never 0, not reused while the timer lives.
using TimerId = int32_t;
using TimerCallback = std::function<void(TimerId id)>;

// Starts a periodic timer on this thread; 0 when it cannot be set (interval not positive, no
// callback, or the queue is unavailable).
TimerId SetTimer(int32_t interval_ms, TimerCallback callback);
// Stops a timer of this thread; false when there is none with that identifier.
bool KillTimer(TimerId id);

// Runs the callbacks of the timers that are due now, without waiting; returns how many ran.
std::size_t PumpOnce();
// Pumps for `duration`, running callbacks as their timers fall due; returns how many ran.
// A callback that blocks past the end is the last one to start.
std::size_t PumpFor(std::chrono::milliseconds duration);
// Pumps until `done()` is true or `timeout` has passed; returns done()'s last answer. A
// callback that blocks past the timeout is the last one to start.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// This thread's timer clock: the steady clock, or the stopped one while a ManualTime lives.
std::chrono::steady_clock::time_point Now();

// A descriptor that is readable while a timer of this thread is due (-1 when unavailable).
int QueueFd();

// Timers set and not yet killed on this thread.
std::size_t ActiveTimers();

// For tests: calls made on this thread, and failures to inject into the next calls.
struct TimerCalls {
  std::size_t set = 0;
  std::size_t kill = 0;
};
TimerCalls CallCounts();
void FailNextSetTimer(int count = 1);
void FailNextKillTimer(int count = 1);

// For tests: while one lives, this thread's clock moves only when PumpFor or PumpUntil move
// it. Timers keep their remaining time when it starts and ends.
class ManualTime {
 public:
  ManualTime();
  ~ManualTime();
  ManualTime(const ManualTime&) = delete;
  ManualTime& operator=(const ManualTime&) = delete;

  // Moves the stopped clock forward without running any timer, as a call that blocks the
  // thread for that long would.
  void Advance(std::chrono::milliseconds by);

 private:
  bool was_manual_;
};

}  // namespace moxtrel::platform
