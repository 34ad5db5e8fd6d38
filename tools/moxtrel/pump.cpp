#include "pump.h"

#include <algorithm>
#include <chrono>

#include "interrupt.h"
#include "moxtrel/platform/thread_timers.h"

namespace moxtrel::script {

void PumpMessages(int32_t ms) {
  // Ctrl-C wakes the wait (the handler does not restart it); slices bound how long a signal
  // that came just before a wait goes unseen. They count the pump's own time, so a test's
  // stopped clock moves exactly as far as one long pump would move it.
  constexpr std::chrono::milliseconds kSlice(100);
  std::chrono::milliseconds left(std::max(ms, 0));
  while (!InterruptRequested()) {
    const auto slice = std::min(left, kSlice);
    if (platform::PumpUntil(InterruptRequested, slice)) break;
    left -= slice;
    if (left.count() <= 0) break;
  }
}

}  // namespace moxtrel::script
