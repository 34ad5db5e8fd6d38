// Pumps this thread's messages for a while, so timers (a print queue watch) can fire.
#pragma once

#include <cstdint>

namespace moxtrel::script {

void PumpMessages(int32_t ms);

}  // namespace moxtrel::script
