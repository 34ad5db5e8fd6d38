#include "pump.h"

#include <algorithm>
#include <chrono>

#include "interrupt.h"
#include "moxtrel/platform/thread_timers.h"

namespace moxtrel::script {

void PumpMessages(int32_t ms) {
  // Ctrl-C wakes the wait (the handler does not restart it); slices bound how long a signal
  // that came just before a wait goes unseen. The end is fixed by the thread's timer clock
  // when the pump starts: a tick that blocks (a server that does not answer) uses up the
  // pump's time instead of adding to it, so only the last tick can run past the end. On a
  // test's stopped clock the pump moves time exactly as far as one long pump would.
  constexpr std::chrono::milliseconds kSlice(100);
  const auto end = platform::Now() + std::chrono::milliseconds(std::max(ms, 0));
  if (InterruptRequested()) return;
  // At least one round, so Pump 0 still runs the ticks that are due.
  do {
    const auto left = std::max(std::chrono::ceil<std::chrono::milliseconds>(end - platform::Now()),
                               std::chrono::milliseconds(0));
    if (platform::PumpUntil(InterruptRequested, std::min(left, kSlice))) break;
  } while (platform::Now() < end);
}

}  // namespace moxtrel::script
