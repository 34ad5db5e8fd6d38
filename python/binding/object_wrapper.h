// The Python face of an automation object: one wrapper per live object, of a Python class named
// after the automation class (moxtrel.moxUser), whose attributes are the object's members found
// by name through the dispatch layer, without regard to case.
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

// The C++ side of a wrapper; it holds the object alive while Python holds the wrapper.
struct DispatchObject {
  ObjectPtr object;
  PyObject* self = nullptr;  // the wrapper registered for `object` in State().live
  DispatchObject() = default;
  explicit DispatchObject(ObjectPtr o) : object(std::move(o)) {}
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;
  ~DispatchObject();
};

// None for a null object; the live wrapper when the object already has one.
py::object Wrap(const ObjectPtr& object);
// The object behind a wrapper, or null when `value` is no wrapper.
ObjectPtr Unwrap(py::handle value);
// Wrappers alive now (for tests of lifetime).
std::size_t LiveWrappers();

// Defines Object, the member and iterator types, and one class per library class.
void DefineObjectTypes(py::module_& m);

}  // namespace moxtrel::python
