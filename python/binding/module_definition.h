// Everything the moxtrel module holds, defined in one call so the extension module and the
// embedded-interpreter tests build the same module.
//
//   PYBIND11_MODULE(_moxtrel, m) { moxtrel::python::DefineModule(m); }
#pragma once

#include <pybind11/pybind11.h>

namespace moxtrel::python {

void DefineModule(pybind11::module_& m);

}  // namespace moxtrel::python
