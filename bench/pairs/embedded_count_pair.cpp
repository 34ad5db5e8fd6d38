// Pair 8: the first Count of a freshly scoped domain's users on the embedded directory, against
// the same listing walked by hand through the provider (filter, enumerate, read each name). The
// object model binds every listed account as Find does (its parent, name and path) and keys it by
// its UserName, so the library's side makes five provider calls per member to the walk's two; the
// goal bounds what each of them costs.
#include "embedded_users.h"
#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/directory/provider.h"
#include "pair_support.h"

namespace moxtrel::bench {
namespace {

using directory::IADsContainer;

void Library(benchmark::State& state) {
  auto dir = EmbeddedUsers(Size(100000));
  // This thread's own provider, so the pairs measured before and after keep theirs.
  directory::SetThreadProvider(dir);
  auto domain = moxDomain::Create();
  std::shared_ptr<moxUsers> users;
  SideMeter meter(state);
  for (auto _ : state) {
    state.PauseTiming();
    users.reset();          // the last listing is released outside the measurement
    domain->Name(u"CORP");  // a fresh, stale collection
    users = domain->Users();
    state.ResumeTiming();
    meter.Begin();
    benchmark::DoNotOptimize(users->Count());
    meter.End();
  }
  meter.Report(3);
  users.reset();
  directory::SetThreadProvider(nullptr);
}

void Native(benchmark::State& state) {
  auto dir = EmbeddedUsers(Size(100000));
  SideMeter meter(state);
  for (auto _ : state) {
    meter.Begin();
    auto domain = directory::As<IADsContainer>(dir->GetObject(u"WinNT://CORP,domain"));
    domain->Filter(Variant::StringArray({u"User"}));
    auto walk = domain->NewEnum();
    int64_t n = 0;
    while (auto object = walk->Next()) {
      benchmark::DoNotOptimize(object->Name());
      ++n;
    }
    benchmark::DoNotOptimize(n);
    meter.End();
  }
  meter.Report();
}

}  // namespace

// 100,000 accounts (100 with --quick).
BENCHMARK(Library)->Name("Pair8/embedded_count/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Native)->Name("Pair8/embedded_count/Native")->Unit(benchmark::kMillisecond);

}  // namespace moxtrel::bench
