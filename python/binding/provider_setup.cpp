#include "binding/provider_setup.h"

#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>

#include "binding/module_state.h"
#include "binding/python_errors.h"
#include "binding/value_convert.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/host/directory_source.h"
#include "moxtrel/memory/memory_directory.h"

namespace moxtrel::python {
namespace {

bool chosen = false;

// The file named in a loading failure, or what stands for the sample.
std::string What(const host::DirectorySource& source) {
  return source.kind == host::DirectorySource::Kind::kSample ? "the built-in sample" : source.path;
}
// The embedded directory in use, or null when a configuration routes elsewhere.
std::shared_ptr<directory::MemoryDirectory>& Embedded() {
  static auto* dir = new std::shared_ptr<directory::MemoryDirectory>;
  return *dir;
}

// Wrapped so moxtrel.last_failure() can name the directory call that failed; the layer keeps
// no journal.
void Use(std::u16string_view source_name, const host::DirectorySource& source) {
  host::OpenedDirectory opened;
  try {
    opened = host::Open(source);
  } catch (const AutomationError& e) {
    RaiseError(e, source_name);
  } catch (const std::exception& e) {
    RaiseError(AutomationError(errc::kInvalidArg,
                               FromUtf8("cannot load " + What(source) + ": " + e.what())),
               source_name);
  }
  directory::SetCurrentProvider(opened.layer);
  Embedded() = std::move(opened.embedded);
  chosen = true;
}

void UseSample() {
  Use(u"use_sample", {});
}

void UseSeed(const std::string& path) {
  Use(u"use_seed", {host::DirectorySource::Kind::kSeed, path});
}

void UseConfig(const std::string& path) {
  Use(u"use_config", {host::DirectorySource::Kind::kConfig, path});
}

struct EmbeddedDirectory {
  std::shared_ptr<directory::MemoryDirectory> dir;
};

}  // namespace

void EnsureProvider() {
  if (chosen) return;
  const host::DirectorySource source = host::ChooseSource({}, {});
  Use(source.kind == host::DirectorySource::Kind::kConfig ? u"use_config" : u"use_sample", source);
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
