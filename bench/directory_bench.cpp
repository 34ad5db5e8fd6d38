// Listing and resolving in the embedded directory stay linear in the number of accounts.
#include <benchmark/benchmark.h>

#include <string>

#include "moxtrel/frame/text.h"
#include "moxtrel/memory/memory_directory.h"

namespace {

using moxtrel::Variant;
using moxtrel::directory::DirectoryBuilder;
using moxtrel::directory::IADsContainer;
using moxtrel::directory::MemoryDirectory;

std::shared_ptr<MemoryDirectory> DirectoryWithUsers(int64_t count) {
  auto dir = MemoryDirectory::Create();
  DirectoryBuilder b(*dir);
  auto corp = b.AddDomain(u"CORP");
  for (int64_t i = 0; i < count; ++i) {
    b.AddUser(corp, u"user" + moxtrel::FromUtf8(std::to_string(i)));
  }
  return dir;
}

// Filter on "User", enumerate and read each name, as a users collection refreshes.
void BM_ListUsers(benchmark::State& state) {
  auto dir = DirectoryWithUsers(state.range(0));
  for (auto _ : state) {
    auto domain = moxtrel::directory::As<IADsContainer>(dir->GetObject(u"WinNT://CORP,domain"));
    domain->Filter(Variant::StringArray({u"User"}));
    auto e = domain->NewEnum();
    int64_t n = 0;
    while (auto o = e->Next()) {
      benchmark::DoNotOptimize(o->Name());
      ++n;
    }
    benchmark::DoNotOptimize(n);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ListUsers)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// Bind one account by path among many.
void BM_BindUser(benchmark::State& state) {
  auto dir = DirectoryWithUsers(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(dir->GetObject(u"WinNT://CORP/user500,user"));
  }
}
BENCHMARK(BM_BindUser)->Arg(1000)->Arg(100000);

}  // namespace
