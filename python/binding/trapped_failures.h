// Why a member returned False or None, from Python: moxtrel.last_failure() gives this thread's
// last trapped failure (or None), and every trapped failure is logged at DEBUG to the
// "moxtrel" logger.
//
//   logging.basicConfig(level=logging.DEBUG)
//   if not d.Users.Add("Bad Name"):
//       f = moxtrel.last_failure()
//       print(hex(f.number), f.description, f.member, f.call)
#pragma once

#include <pybind11/pybind11.h>

namespace moxtrel::python {

namespace py = pybind11;

// Defines Failure, last_failure and clear_last_failure, and sends trapped failures to logging.
void DefineTrappedFailures(py::module_& m);

}  // namespace moxtrel::python
