// ModuleState: the Python objects the binding makes once per interpreter (the wrapper base type,
// the exception classes, one Python class per automation class, the enums) and the map from a
// live automation object to its one Python wrapper.
//
//   py::object cls = State().classes[py::str("moxUser")];
#pragma once

#include <pybind11/pybind11.h>

#include <unordered_map>

#include "moxtrel/frame/object.h"

namespace moxtrel::python {

namespace py = pybind11;

struct ModuleState {
  py::object module;        // moxtrel._moxtrel
  py::object object_type;   // moxtrel.Object, the base of every wrapper class
  py::object empty;         // moxtrel.Empty
  py::object error;         // moxtrel.Error
  py::object member_error;  // moxtrel.MemberError (also an AttributeError)
  py::dict classes;         // automation type name -> Python class
  py::dict enums;           // enum name -> enum.IntEnum class
  // A live automation object -> its Python wrapper (borrowed: the wrapper removes itself).
  std::unordered_map<const AutomationObject*, PyObject*> live;
};

// The state of the current interpreter. It is made by DefineModule and deliberately never
// freed: its references must not be dropped after the interpreter has finalised.
ModuleState& State();
void ResetState();  // DefineModule: a fresh state for a (re)imported module

}  // namespace moxtrel::python
