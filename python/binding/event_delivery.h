// Events to Python handlers, delivered only inside moxtrel.pump on the thread that connected
// them. A raise that happens elsewhere (a Refresh called directly, another thread's timer) is
// queued and delivered at that thread's next pump. A failing handler is contained and goes to
// the library's handler-failure report (moxtrel.set_error_hook, or one line on stderr).
//
//   conn = jobs.NewJob.connect(lambda name, user, description, pages, size, submitted: ...)
//   moxtrel.pump(2.0)
//   conn.disconnect()
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>

#include "moxtrel/frame/object.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::python {

namespace py = pybind11;

// obj.NewJob: the object that connects handlers to one event of `source`.
py::object EventSlotFor(const ObjectPtr& source, const typelib::MemberInfo& event);

// Runs this thread's timers and delivers its events for `seconds`; under manual_clock() the
// time passes without sleeping.
void Pump(double seconds);
// Events waiting for their thread's next pump.
std::size_t PendingEvents();

// For the garbage collector, through a wrapper that holds the last reference to `source`: the
// handlers connected to its events, and dropping them to break a cycle (a handler that refers
// to its own source).
int VisitHandlers(const AutomationObject* source, visitproc visit, void* arg);
void ClearHandlers(const AutomationObject* source);

// Defines EventSlot, Connection, ManualClock, pump, manual_clock and set_error_hook.
void DefineEventTypes(py::module_& m);

}  // namespace moxtrel::python
