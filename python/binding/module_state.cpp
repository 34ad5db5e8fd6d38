#include "binding/module_state.h"

namespace moxtrel::python {
namespace {
ModuleState* current = nullptr;
}

ModuleState& State() {
  if (!current) current = new ModuleState;
  return *current;
}

void ResetState() {
  // The old state is left behind on purpose (see State()); its wrappers keep working as plain
  // objects of the old classes.
  current = new ModuleState;
}

}  // namespace moxtrel::python
