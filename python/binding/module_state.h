// ModuleState: the Python objects the binding makes once per interpreter (the wrapper base type,
// the exception classes, one Python class per automation class, the enums) and the map from a
// live automation object to its one Python wrapper.
//
//   py::object cls = State().classes[py::str("moxUser")];
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <unordered_map>

#include "binding/wrapper_table.h"
#include "moxtrel/frame/object.h"

namespace moxtrel::typelib {
struct InterfaceInfo;
}

namespace moxtrel::python {

namespace py = pybind11;

struct ModuleState {
  py::object module;         // moxtrel._moxtrel
  py::object object_type;    // moxtrel.Object, the base of every wrapper class
  py::object iterator_type;  // moxtrel.ItemIterator, what iter() of a collection gives
  py::object empty;          // moxtrel.Empty
  py::object error;          // moxtrel.Error
  py::object member_error;   // moxtrel.MemberError (also an AttributeError)
  py::dict classes;          // automation type name -> Python class
  // The class of each interface's objects, with the type name it was made for, so a wrapper's
  // class is found without making a str of the name (borrowed: `classes` holds it).
  struct ClassEntry {
    std::u16string type_name;
    PyObject* cls = nullptr;
  };
  std::unordered_map<const typelib::InterfaceInfo*, ClassEntry> class_of;
  py::dict enums;  // enum name -> enum.IntEnum class
  // A live automation object -> its Python wrapper (borrowed: the wrapper removes itself).
  WrapperTable live;
};

namespace detail {
extern ModuleState* current_state;
ModuleState& MakeState();
}  // namespace detail

// The state of the current interpreter. It is made by DefineModule and deliberately never
// freed: its references must not be dropped after the interpreter has finalised.
inline ModuleState& State() {
  return detail::current_state ? *detail::current_state : detail::MakeState();
}
void ResetState();  // DefineModule: a fresh state for a (re)imported module

}  // namespace moxtrel::python
