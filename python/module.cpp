// The extension module moxtrel._moxtrel; the package moxtrel re-exports it.
#include <pybind11/pybind11.h>

#include "binding/module_definition.h"

PYBIND11_MODULE(_moxtrel, m) {
  moxtrel::python::DefineModule(m);
}
