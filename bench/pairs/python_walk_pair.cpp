// Pair 7: a walk over 100,000 listed users of the embedded directory reading each one's UserName
// and FullName, from Python (the moxtrel module under an embedded interpreter) against the same
// walk in C++ through the dispatch layer with each DISPID looked up once. Both sides bind through
// the provider the module installs (the embedded directory behind the module's journal layer),
// and both walk a collection listed beforehand, so the figures compare the calls of the walk.
#include <pybind11/embed.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "binding/module_definition.h"
#include "embedded_users.h"
#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/dispatch.h"
#include "pair_support.h"

namespace py = pybind11;

PYBIND11_EMBEDDED_MODULE(moxtrel_pairs, m) {
  moxtrel::python::DefineModule(m);
}

namespace moxtrel::bench {
namespace {

constexpr const char* kWalk = R"(
def walk(users):
    n = 0
    for u in users:
        u.UserName
        u.FullName
        n += 1
    return n
)";

struct Python {
  py::module_ module;
  std::shared_ptr<directory::DirectoryProvider> provider;  // the one the module installed
};

// One interpreter for the run, with the module binding through a seeded directory of `count`
// users; never finalised, as the library's objects it holds outlive the benchmarks.
Python& Module(int64_t count) {
  static py::scoped_interpreter* interpreter = new py::scoped_interpreter();
  (void)interpreter;
  static Python* python = [count] {
    auto* p = new Python{py::module_::import("moxtrel_pairs"), nullptr};
    const std::string seed = "/tmp/moxtrel-pair7-" + std::to_string(getpid()) + ".json";
    WriteEmbeddedUsersSeed(count, seed);
    p->module.attr("use_seed")(seed);
    std::remove(seed.c_str());
    p->provider = directory::CurrentProvider();
    return p;
  }();
  return *python;
}

// Both sides bind through the module's provider as this thread's own, whatever other pairs
// installed for the process meanwhile.
struct UseModuleProvider {
  explicit UseModuleProvider(const Python& p) { directory::SetThreadProvider(p.provider); }
  ~UseModuleProvider() { directory::SetThreadProvider(nullptr); }
};

void Library(benchmark::State& state) {
  const int64_t count = Size(100000);
  Python& python = Module(count);
  UseModuleProvider use(python);
  py::module_& m = python.module;
  py::dict scope;
  py::exec(kWalk, scope);
  py::object walk = scope["walk"];
  py::object domain = m.attr("create")("moxDomain");
  domain.attr("Name") = "CORP";
  py::object users = domain.attr("Users");
  if (users.attr("Count").cast<int64_t>() != count) state.SkipWithError("the listing is short");
  SideMeter meter(state);
  for (auto _ : state) {
    meter.Begin();
    benchmark::DoNotOptimize(walk(users).cast<int64_t>());
    meter.End();
  }
  meter.Report(1.3);
}

void Native(benchmark::State& state) {
  UseModuleProvider use(Module(Size(100000)));  // the same provider
  auto domain = moxDomain::Create();
  domain->Name(u"CORP");
  auto users = domain->Users();
  std::vector<Variant> none;
  const DispId user_name = dispatch::GetIDOfName(*users->Item(Variant(int32_t{1})), u"UserName");
  const DispId full_name = dispatch::GetIDOfName(*users->Item(Variant(int32_t{1})), u"FullName");
  SideMeter meter(state);
  for (auto _ : state) {
    meter.Begin();
    const Variant e = dispatch::Invoke(*users, kDispIdNewEnum, kDispatchGet, none);
    const ObjectPtr walk = e.AsObject();
    const DispId next = dispatch::GetIDOfName(*walk, u"Next");
    std::vector<Variant> item{Variant()};
    int64_t n = 0;
    while (dispatch::Invoke(*walk, next, kDispatchMethod, item).ToBool()) {
      const ObjectPtr user = item[0].AsObject();
      benchmark::DoNotOptimize(dispatch::Invoke(*user, user_name, kDispatchGet, none));
      benchmark::DoNotOptimize(dispatch::Invoke(*user, full_name, kDispatchGet, none));
      ++n;
    }
    benchmark::DoNotOptimize(n);
    meter.End();
  }
  meter.Report();
}

// What the Python side costs before any binding: the same walk over as many plain objects with
// the two attributes already set, so each read is CPython's own attribute lookup and nothing is
// made per item. Not a side of the pair; it shows how much of the ratio the interpreter's loop
// takes alone.
void Floor(benchmark::State& state) {
  const int64_t count = Size(100000);
  Module(count);  // the interpreter
  py::dict scope;
  py::exec(kWalk, scope);
  py::object walk = scope["walk"];
  py::object make = py::module_::import("types").attr("SimpleNamespace");
  py::list items;
  for (int64_t i = 0; i < count; ++i) {
    items.append(make(py::arg("UserName") = "user", py::arg("FullName") = "User"));
  }
  SideMeter meter(state);
  for (auto _ : state) {
    meter.Begin();
    benchmark::DoNotOptimize(walk(items).cast<int64_t>());
    meter.End();
  }
  meter.Report();
}

}  // namespace

// 100,000 users (100 with --quick).
BENCHMARK(Library)->Name("Pair7/python_walk/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Native)->Name("Pair7/python_walk/Native")->Unit(benchmark::kMillisecond);
BENCHMARK(Floor)->Name("Pair7/python_walk_floor")->Unit(benchmark::kMillisecond);

}  // namespace moxtrel::bench
