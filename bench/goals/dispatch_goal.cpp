// Goal 4: a late-bound property get by DISPID (the name looked up once) against the early-bound
// call, for a getter that reads a field (Domain) and one that reads the directory (FullName).
#include "goal_support.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/dispatch.h"

namespace moxtrel::bench {
namespace {

struct BoundUser {
  BoundUser() : dir(DirectoryWithUsers(10)), user(moxUser::Create()) {
    directory::SetCurrentProvider(dir);
    user->Find(u"user3", u"CORP", moxType::moxGlobal);
  }
  ~BoundUser() { directory::SetCurrentProvider(nullptr); }
  std::shared_ptr<directory::MemoryDirectory> dir;
  std::shared_ptr<moxUser> user;
};

void EarlyDomain(benchmark::State& state) {
  BoundUser f;
  for (auto _ : state) benchmark::DoNotOptimize(f.user->Domain());
}

void LateDomain(benchmark::State& state) {
  BoundUser f;
  const DispId id = dispatch::GetIDOfName(*f.user, u"Domain");
  std::vector<Variant> none;
  for (auto _ : state) {
    benchmark::DoNotOptimize(dispatch::Invoke(*f.user, id, kDispatchGet, none));
  }
}

void EarlyFullName(benchmark::State& state) {
  BoundUser f;
  for (auto _ : state) benchmark::DoNotOptimize(f.user->FullName());
}

void LateFullName(benchmark::State& state) {
  BoundUser f;
  const DispId id = dispatch::GetIDOfName(*f.user, u"FullName");
  std::vector<Variant> none;
  for (auto _ : state) {
    benchmark::DoNotOptimize(dispatch::Invoke(*f.user, id, kDispatchGet, none));
  }
}

}  // namespace

void RegisterDispatchGoals() {
  Shape(benchmark::RegisterBenchmark("Goal4/EarlyDomain", EarlyDomain));
  Shape(benchmark::RegisterBenchmark("Goal4/LateDomain", LateDomain));
  Shape(benchmark::RegisterBenchmark("Goal4/EarlyFullName", EarlyFullName));
  Shape(benchmark::RegisterBenchmark("Goal4/LateFullName", LateFullName));
}

}  // namespace moxtrel::bench
