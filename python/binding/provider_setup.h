// Which directory the module's objects bind through: the built-in sample, a seed file, or a
// configuration file (MOXTREL_CONFIG when nothing was chosen), and the embedded directory's
// back doors for demos and tests (a print job arriving, finishing spooling).
//
//   moxtrel.use_seed("examples/sample-directory.json")
//   job = moxtrel.directory().submit_job("WinNT://HB-PRINT/Laser3", "a.pdf", "chidi", 4)
#pragma once

#include <pybind11/pybind11.h>

namespace moxtrel::python {

namespace py = pybind11;

// Installs the default directory unless one was chosen.
void EnsureProvider();
// Defines use_sample, use_seed, use_config, directory and EmbeddedDirectory.
void DefineProviderFunctions(py::module_& m);

}  // namespace moxtrel::python
