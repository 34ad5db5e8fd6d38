#include "binding/provider_setup.h"

#include <pybind11/stl.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "binding/module_state.h"
#include "binding/python_errors.h"
#include "binding/value_convert.h"
#include "moxtrel/backends/configuration.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/journal/journal_layer.h"
#include "moxtrel/memory/memory_directory.h"

namespace moxtrel::python {
namespace {

bool chosen = false;
// The embedded directory in use, or null when a configuration routes elsewhere.
std::shared_ptr<directory::MemoryDirectory>& Embedded() {
  static auto* dir = new std::shared_ptr<directory::MemoryDirectory>;
  return *dir;
}

void Install(std::shared_ptr<directory::DirectoryProvider> provider,
             std::shared_ptr<directory::MemoryDirectory> embedded) {
  // Wrapped so moxtrel.last_failure() can name the directory call that failed; the layer keeps
  // no journal.
  auto layer = directory::JournalLayer::Wrap(std::move(provider));
  layer->Journal().SetCapacity(0);
  directory::SetCurrentProvider(std::move(layer));
  Embedded() = std::move(embedded);
  chosen = true;
}

template <class F>
auto Loading(std::u16string_view source, const std::string& what, F&& load) {
  try {
    return load();
  } catch (const AutomationError& e) {
    RaiseError(e, source);
  } catch (const std::exception& e) {
    RaiseError(
        AutomationError(errc::kInvalidArg, FromUtf8("cannot load " + what + ": " + e.what())),
        source);
  }
}

void UseSample() {
  auto dir = Loading(u"use_sample", "the built-in sample",
                     [] { return directory::MemoryDirectory::Sample(); });
  Install(dir, dir);
}

void UseSeed(const std::string& path) {
  auto dir = Loading(u"use_seed", path, [&] { return directory::MemoryDirectory::FromFile(path); });
  Install(dir, dir);
}

void UseConfig(const std::string& path) {
  Install(Loading(u"use_config", path, [&] { return directory::LoadConfiguration(path); }),
          nullptr);
}

struct EmbeddedDirectory {
  std::shared_ptr<directory::MemoryDirectory> dir;
};

}  // namespace

void EnsureProvider() {
  if (chosen) return;
  if (const char* config = std::getenv(directory::kConfigEnvironmentVariable)) {
    UseConfig(config);
  } else {
    UseSample();
  }
}

void DefineProviderFunctions(py::module_& m) {
  m.def("use_sample", &UseSample, "Binds through a fresh copy of the built-in sample directory.");
  m.def("use_seed", &UseSeed, py::arg("path"),
        "Binds through an embedded directory seeded from a JSON file.");
  m.def("use_config", &UseConfig, py::arg("path"),
        "Binds through the backends a TOML configuration file names.");

  py::class_<EmbeddedDirectory>(m, "EmbeddedDirectory",
                                "The embedded directory's back doors, for demos and tests.")
      .def(
          "submit_job",
          [](EmbeddedDirectory& self, py::handle queue_path, py::handle document, py::handle user,
             int32_t pages, std::optional<int32_t> size, py::object submitted) {
            directory::Attributes attributes{
                {u"Description", Variant(FromPyStr(document, u"submit_job document"))},
                {u"User", Variant(FromPyStr(user, u"submit_job user"))},
                {u"TotalPages", Variant(pages)},
                {u"Size", Variant(size.value_or(pages * 2048))}};
            if (!submitted.is_none()) {
              attributes.emplace_back(u"TimeSubmitted",
                                      ToVariant(submitted, u"submit_job submitted"));
            }
            const std::u16string queue = FromPyStr(queue_path, u"submit_job queue_path");
            return ToPyStr(
                Guarded(u"submit_job", [&] { return self.dir->SubmitJob(queue, attributes); }));
          },
          py::arg("queue_path"), py::arg("document"), py::arg("user"), py::arg("pages"),
          py::arg("size") = py::none(), py::arg("submitted") = py::none(),
          "Submits a print job, still spooling; returns its path.")
      .def(
          "finish_spooling",
          [](EmbeddedDirectory& self, py::handle job_path) {
            const std::u16string path = FromPyStr(job_path, u"finish_spooling job_path");
            Guarded(u"finish_spooling", [&] {
              self.dir->SetJobStatus(path, 0);
              return 0;
            });
          },
          py::arg("job_path"))
      .def(
          "contains",
          [](EmbeddedDirectory& self, py::handle path) {
            const std::u16string p = FromPyStr(path, u"contains path");
            return Guarded(u"contains", [&] { return self.dir->Contains(p); });
          },
          py::arg("path"));

  m.def(
      "directory",
      [] {
        EnsureProvider();
        if (!Embedded()) {
          RaiseError(AutomationError(errc::kInvalidProcedureCall,
                                     u"a configuration is in use, not the embedded directory"),
                     u"directory");
        }
        return EmbeddedDirectory{Embedded()};
      },
      "The embedded directory in use (the sample or a seed file).");
}

}  // namespace moxtrel::python
