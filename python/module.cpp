// The extension module moxtrel._moxtrel; the package moxtrel re-exports it.
#include <pybind11/pybind11.h>

#include "binding/module_definition.h"
#include "moxtrel/backends/builtin_backends.h"

PYBIND11_MODULE(_moxtrel, m) {
  // The module links every backend, so a configuration may name any of them.
  moxtrel::directory::RegisterBuiltinBackends(moxtrel::directory::BackendRegistry::Global());
  moxtrel::python::DefineModule(m);
}
