// Where the failure of an event handler goes. A handler runs inside an object's raise or a
// timer's callback, where no caller can receive what it throws; the raiser contains it and
// hands it here: to this thread's hook, or, while none is set, one line on standard error.
//
//   SetHandlerFailureHook([](const AutomationError& e) { log(e.description()); });
//   Event<> ticked(u"moxThing.Ticked", u"A Ticked handler", &ReportHandlerFailure);
#pragma once

#include <functional>
#include <string_view>

#include "moxtrel/frame/automation_error.h"

namespace moxtrel {

// Receives the failures of event handlers on the thread that set it; returns the hook it
// replaces. An empty hook restores the line on standard error.
using HandlerFailureHook = std::function<void(const AutomationError& error)>;
HandlerFailureHook SetHandlerFailureHook(HandlerFailureHook hook);

// Hands the exception being handled to this thread's hook as "<where>: <description>"; call
// only inside a catch block. A hook that throws gets the line on standard error instead.
void ReportHandlerFailure(std::u16string_view where) noexcept;

}  // namespace moxtrel
