// Pumps this thread's messages for a while, so timers (a print queue watch) can fire; returns
// early once Ctrl-C was pressed (interrupt.h).
#pragma once

#include <cstdint>

namespace moxtrel::script {

void PumpMessages(int32_t ms);

}  // namespace moxtrel::script
