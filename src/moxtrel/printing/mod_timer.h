// modTimer: the thread timer callback and the per-thread registry of running timers.
// The platform hands TimerProc only an identifier; TimerProc finds the running KestStdTimer
// that owns it in colTimers and raises its Timer event.
// A Timer handler that fails is contained and reported through ReportHandlerFailure
// (frame/handler_failure.h).
#pragma once

#include <cstddef>
#include <vector>

#include "moxtrel/platform/thread_timers.h"
#include "moxtrel/printing/cls_tim.h"

namespace moxtrel::modTimer {

// The callback handed to platform::SetTimer; never lets a failure through.
void TimerProc(platform::TimerId identifier) noexcept;

// This thread's registry, in the order the timers started; nullptr once the thread is
// tearing down.
std::vector<clsTim>* Registry() noexcept;
// A copy of this thread's registry, for inspection.
std::vector<clsTim> colTimers();

}  // namespace moxtrel::modTimer
