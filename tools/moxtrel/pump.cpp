#include "pump.h"

#include <chrono>

#include "moxtrel/platform/thread_timers.h"

namespace moxtrel::script {

void PumpMessages(int32_t ms) {
  platform::PumpFor(std::chrono::milliseconds(ms));
}

}  // namespace moxtrel::script
