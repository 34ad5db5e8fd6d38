// Pumps this thread's messages for a while, so timers (a print queue watch) can fire; returns
// early once Ctrl-C was pressed (interrupt.h).
#pragma once

#include <cstdint>

namespace moxtrel::script {

// Returns `ms` milliseconds after it was called, by the thread's timer clock; a tick that
// started before then and blocks (a call waiting for its timeout) is the only thing that can
// keep it longer.
void PumpMessages(int32_t ms);

}  // namespace moxtrel::script
