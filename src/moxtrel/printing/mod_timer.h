// modTimer: the thread timer callback and the per-thread registry of running timers.
// The platform hands TimerProc only an identifier; TimerProc finds the running KestStdTimer
// that owns it in colTimers and raises its Timer event.
//
// A failure raised by a Timer or NewJob handler has no caller to go to. It is contained and
// reported to the error hook, or, while none is set, traced as one line on stderr:
//
//   modTimer::SetErrorHook([](const AutomationError& e) { log(e.description()); });
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "moxtrel/frame/automation_error.h"
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

// Receives failures of Timer and NewJob handlers on this thread; returns the hook it replaces.
// An empty hook restores the stderr trace.
using ErrorHook = std::function<void(const AutomationError& error)>;
ErrorHook SetErrorHook(ErrorHook hook);

// Hands the exception being handled to the error hook; call only inside a catch block.
void ReportCurrentException(std::u16string_view where) noexcept;

}  // namespace moxtrel::modTimer
