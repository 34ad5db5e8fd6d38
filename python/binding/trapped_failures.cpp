#include "binding/trapped_failures.h"

#include <pybind11/stl.h>

#include <optional>

#include "binding/value_convert.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"

namespace moxtrel::python {
namespace {

// Logs on the thread that trapped the failure, which may hold the GIL or not.
void LogTrapped(const TrappedFailure& failure) {
  if (!Py_IsInitialized()) return;
  py::gil_scoped_acquire gil;
  try {
    py::object logger = py::module_::import("logging").attr("getLogger")("moxtrel");
    const py::object debug = py::module_::import("logging").attr("DEBUG");
    if (!logger.attr("isEnabledFor")(debug).cast<bool>()) return;
    py::dict extra;
    extra["moxtrel_failure"] = py::cast(failure);
    logger.attr("debug")(
        "%s trapped %s %s%s", ToPyStr(failure.member), FormatCode(failure.code),
        ToPyStr(failure.description),
        failure.call.empty() ? py::str("") : py::str(" (" + ToUtf8(failure.call) + ")"),
        py::arg("extra") = extra);
  } catch (py::error_already_set& e) {
    // Logging that fails must not change the member's result; Python reports it as unraisable.
    e.discard_as_unraisable("moxtrel trapped-failure logging");
  }
}

}  // namespace

void DefineTrappedFailures(py::module_& m) {
  py::class_<TrappedFailure>(m, "Failure",
                             "A failure a member trapped: it returned False or None instead.")
      .def_property_readonly(
          "number", [](const TrappedFailure& f) { return f.code; }, "The error's status code.")
      .def_property_readonly(
          "source", [](const TrappedFailure& f) { return ToPyStr(f.source); },
          "What raised it: the directory interface and member, or \"moxtrel\".")
      .def_property_readonly(
          "description", [](const TrappedFailure& f) { return ToPyStr(f.description); },
          "The error's description.")
      .def_property_readonly(
          "call", [](const TrappedFailure& f) { return ToPyStr(f.call); },
          "The directory call that failed, with its path and arguments; empty when none did.")
      .def_property_readonly(
          "member", [](const TrappedFailure& f) { return ToPyStr(f.member); },
          "The member that trapped it (\"moxUsers.Add\").")
      .def("__repr__", [](const TrappedFailure& f) {
        return "<moxtrel.Failure " + ToUtf8(f.member) + ": " + FormatCode(f.code) + " " +
               ToUtf8(f.description) + ">";
      });
  m.def(
      "last_failure", []() -> std::optional<TrappedFailure> { return LastTrappedFailure(); },
      "Why the last member that traps its errors (Find, Add, Remove, ...) returned False or "
      "None on this thread: a Failure, or None when none was trapped since the last clear.");
  m.def("clear_last_failure", &ClearLastTrappedFailure,
        "Forgets this thread's last trapped failure.");

  SetTrappedFailureHook(&LogTrapped);
  // The hook must not reach for an interpreter that has gone.
  py::module_::import("atexit").attr("register")(
      py::cpp_function([] { SetTrappedFailureHook(nullptr); }));
}

}  // namespace moxtrel::python
