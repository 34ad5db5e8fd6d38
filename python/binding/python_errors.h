// Python errors for automation failures: moxtrel.Error carries the code, the source (the
// member that failed, "moxUser.Find") and the description; an unknown or wrongly used member
// raises moxtrel.MemberError, which is also an AttributeError, so hasattr() works.
//
//   return Guarded(u"moxUser.Find", [&] { return dispatch::Invoke(*object, id, flags, args); });
#pragma once

#include <pybind11/pybind11.h>

#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::python {

namespace py = pybind11;

// Defines Error and MemberError in `m`.
void DefineErrors(py::module_& m);

// Sets the Python error for `error` raised by `source` and throws py::error_already_set.
[[noreturn]] void RaiseError(const AutomationError& error, std::u16string_view source);
// The same with an explicit exception class (State().member_error for AttributeError cases).
[[noreturn]] void RaiseErrorAs(py::handle cls, int32_t code, std::u16string_view source,
                               std::u16string_view description);

// Runs `call`, turning library failures into Python errors named after `source`.
template <class F>
decltype(auto) Guarded(std::u16string_view source, F&& call) {
  try {
    return call();
  } catch (const AutomationError& e) {
    RaiseError(e, source);
  } catch (const py::error_already_set&) {
    throw;
  } catch (const py::builtin_exception&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    RaiseError(AutomationError(errc::kFail, FromUtf8(e.what())), source);
  }
}

}  // namespace moxtrel::python
