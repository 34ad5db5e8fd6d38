#include "binding/module_state.h"

namespace moxtrel::python {

namespace detail {

ModuleState* current_state = nullptr;

ModuleState& MakeState() {
  if (!current_state) current_state = new ModuleState;
  return *current_state;
}

}  // namespace detail

void ResetState() {
  // The old state is left behind on purpose (see State()); its wrappers keep working as plain
  // objects of the old classes.
  detail::current_state = new ModuleState;
}

}  // namespace moxtrel::python
