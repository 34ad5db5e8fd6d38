// Goals 1 and 8: the first Count of a domain's users against a bare walk of the provider, and
// the heap a listed member costs.
#include "goal_support.h"
#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/directory/provider.h"

namespace moxtrel::bench {
namespace {

using directory::IADsContainer;

// The listing a users collection makes, done by hand: filter, enumerate, read each name.
void ProviderWalk(benchmark::State& state) {
  auto dir = DirectoryWithUsers(state.range(0));
  for (auto _ : state) {
    auto domain = directory::As<IADsContainer>(dir->GetObject(u"WinNT://CORP,domain"));
    domain->Filter(Variant::StringArray({u"User"}));
    auto walk = domain->NewEnum();
    int64_t n = 0;
    while (auto object = walk->Next()) {
      benchmark::DoNotOptimize(object->Name());
      ++n;
    }
    benchmark::DoNotOptimize(n);
  }
}

// The first Count of a freshly scoped domain's users, through the unwrapped directory.
void UsersCount(benchmark::State& state) {
  auto dir = DirectoryWithUsers(state.range(0));
  directory::SetCurrentProvider(dir);
  auto domain = moxDomain::Create();
  std::shared_ptr<moxUsers> users;
  for (auto _ : state) {
    state.PauseTiming();
    users.reset();          // the last listing is released outside the measurement
    domain->Name(u"CORP");  // a fresh, stale collection
    users = domain->Users();
    state.ResumeTiming();
    benchmark::DoNotOptimize(users->Count());
  }
  directory::SetCurrentProvider(nullptr);
}

// Heap bytes per member of a listed users collection, held after its first Count.
void UsersHeap(benchmark::State& state) {
  auto dir = DirectoryWithUsers(state.range(0));
  directory::SetCurrentProvider(dir);
  auto domain = moxDomain::Create();
  double per_member = 0;
  for (auto _ : state) {
    domain->Name(u"CORP");
    auto users = domain->Users();
    const std::size_t before = HeapInUse();
    benchmark::DoNotOptimize(users->Count());
    const std::size_t after = HeapInUse();
    per_member = static_cast<double>(after - before) / static_cast<double>(state.range(0));
  }
  state.counters["bytes_per_member"] = per_member;
  directory::SetCurrentProvider(nullptr);
}

}  // namespace

void RegisterListingGoals() {
  const int64_t n = Size(100000);
  Shape(benchmark::RegisterBenchmark("Goal1/ProviderWalk", ProviderWalk))
      ->Arg(n)
      ->Unit(benchmark::kMillisecond);
  Shape(benchmark::RegisterBenchmark("Goal1/UsersCount", UsersCount))
      ->Arg(n)
      ->Unit(benchmark::kMillisecond);
  // One listing is the measurement; repeating it would only repeat the same number.
  benchmark::RegisterBenchmark("Goal8/UsersHeap", UsersHeap)
      ->Arg(n)
      ->Arg(Size(1000000, 200))
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
}

}  // namespace moxtrel::bench
