// The Python face of an automation object: one wrapper per live object, of a Python class named
// after the automation class (moxtrel.moxUser), whose attributes are the object's members found
// by name through the dispatch layer, without regard to case. The wrapper and iterator types are
// plain CPython types: a walk makes one wrapper per item, and reads two attributes of each.
//
//   py::object user = Wrap(dispatch::CreateObject(u"moxUser"));
//   user.attr("UserName") = "alice";           // put through Invoke
//   for (auto item : Wrap(users)) ...          // NewEnum and the enumerator's Next
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>

#include "moxtrel/frame/object.h"

namespace moxtrel::python {

namespace py = pybind11;

// None for a null object; the live wrapper when the object already has one.
py::object Wrap(const ObjectPtr& object);
// The object behind a wrapper, or null when `value` is no wrapper.
ObjectPtr Unwrap(py::handle value);
// Wrappers alive now (for tests of lifetime).
std::size_t LiveWrappers();

// Defines Object, the member and iterator types, and one class per library class.
void DefineObjectTypes(py::module_& m);

}  // namespace moxtrel::python
