#include "binding/python_errors.h"

#include <pybind11/eval.h>

#include "binding/module_state.h"
#include "binding/value_convert.h"

namespace moxtrel::python {

void DefineErrors(py::module_& m) {
  py::dict scope;
  py::exec(R"py(
class Error(Exception):
    """An automation failure: code (an unsigned 32-bit status), source (the member that failed)
    and description."""

    def __init__(self, code, source, description):
        super().__init__(code, source, description)
        self.code = code
        self.source = source
        self.description = description

    def __str__(self):
        where = "" if self.description.startswith(self.source) else f"{self.source}: "
        return f"{where}{self.description} (0x{self.code:08X})"


class MemberError(Error, AttributeError):
    """No member of that name, or a member used as it cannot be (a read-only property set)."""
)py",
           scope);
  scope["Error"].attr("__module__") = "moxtrel";
  scope["MemberError"].attr("__module__") = "moxtrel";
  m.attr("Error") = scope["Error"];
  m.attr("MemberError") = scope["MemberError"];
  State().error = scope["Error"];
  State().member_error = scope["MemberError"];
}

void RaiseErrorAs(py::handle cls, int32_t code, std::u16string_view source,
                  std::u16string_view description) {
  py::object error = cls(static_cast<uint32_t>(code), ToPyStr(source), ToPyStr(description));
  PyErr_SetObject(cls.ptr(), error.ptr());
  throw py::error_already_set();
}

void RaiseError(const AutomationError& error, std::u16string_view source) {
  const auto code = static_cast<uint32_t>(error.code());
  const bool member = code == errc::kUnknownName || code == errc::kMemberNotFound;
  RaiseErrorAs(member ? State().member_error : State().error, error.code(), source,
               error.description());
}

}  // namespace moxtrel::python
