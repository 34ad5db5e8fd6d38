// Pair 8: the first Count of a freshly scoped domain's users on the embedded directory, against
// the same listing walked by hand through the provider (filter, enumerate, read each name). The
// object model binds every listed account as Find does (its parent, name and path) and keys it by
// its UserName, so the library's side makes five provider calls per member to the walk's two, and
// keeps what it binds where the walk lets each object go; the two floors below measure those
// rules alone, and the rules with the least member object and key any keyed collection needs.
#include "embedded_users.h"
#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/key_index.h"
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

// What the rules alone cost: the same walk making the five provider calls per member that the
// object model must make (the enumeration's Next, then Parent, Name, ADsPath and the key's Name)
// and keeping each bound object, as every member must. With `members`, each account also gets
// the least a keyed collection can hold for it: a small object with its name, and the name in a
// case-insensitive index. Neither is a side of the pair: they show how much of the ratio the
// rules take, and how much any member object and key would.
void Floor(benchmark::State& state, bool members) {
  struct Member {
    std::shared_ptr<directory::IADs> bound;
    std::u16string name;
  };
  auto dir = EmbeddedUsers(Size(100000));
  std::vector<std::shared_ptr<directory::IADs>> kept;
  std::vector<std::shared_ptr<Member>> made;
  auto keys = std::make_unique<KeyIndex>();
  SideMeter meter(state);
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::shared_ptr<directory::IADs>>().swap(kept);
    std::vector<std::shared_ptr<Member>>().swap(made);
    keys = std::make_unique<KeyIndex>();
    state.ResumeTiming();
    meter.Begin();
    auto domain = directory::As<IADsContainer>(dir->GetObject(u"WinNT://CORP,domain"));
    domain->Filter(Variant::StringArray({u"User"}));
    auto walk = domain->NewEnum();
    if (members) {
      made.reserve(walk->Remaining());
      keys->Reserve(walk->Remaining());
    } else {
      kept.reserve(walk->Remaining());
    }
    while (auto object = walk->Next()) {
      benchmark::DoNotOptimize(object->Parent());
      benchmark::DoNotOptimize(object->Name());
      benchmark::DoNotOptimize(object->ADsPath());
      std::u16string key = object->Name();
      if (!members) {
        kept.push_back(std::move(object));
        continue;
      }
      keys->Append(key);
      made.push_back(std::make_shared<Member>(Member{std::move(object), std::move(key)}));
    }
    meter.End();
  }
  meter.Report();
}

}  // namespace

// 100,000 accounts (100 with --quick).
BENCHMARK(Library)->Name("Pair8/embedded_count/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Native)->Name("Pair8/embedded_count/Native")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Floor, rules, false)
    ->Name("Pair8/embedded_count/Floor")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Floor, members, true)
    ->Name("Pair8/embedded_count/FloorWithMembers")
    ->Unit(benchmark::kMillisecond);

}  // namespace moxtrel::bench
