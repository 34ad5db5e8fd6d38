// ModuleState: the Python objects the binding makes once per interpreter (the wrapper base type,
// the exception classes, one Python class per automation class, the enums) and the map from a
// live automation object to its one Python wrapper.
//
//   py::object cls = State().classes[py::str("moxUser")];
#pragma once

#include <pybind11/pybind11.h>

#include <array>
#include <cstddef>
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
  // The class of each interface's objects, so a wrapper's class is found without making a str
  // of its type name (borrowed: `classes` holds it); the last one found comes first.
  std::unordered_map<const typelib::InterfaceInfo*, PyObject*> class_of;
  const typelib::InterfaceInfo* last_iface = nullptr;
  PyObject* last_class = nullptr;
  py::dict enums;  // enum name -> enum.IntEnum class
  // A live automation object -> its Python wrapper (borrowed: the wrapper removes itself).
  WrapperTable live;
  // Blocks of dropped wrappers kept for the next ones, so a walk reuses one block per item
  // instead of going through the allocator and the collector's bookkeeping twice.
  static constexpr std::size_t kSpareWrappers = 32;
  std::array<PyObject*, kSpareWrappers> spare_wrappers{};
  std::size_t spare_count = 0;
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
