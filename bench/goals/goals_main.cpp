// The goal benchmarks: each goal is a pair measured side by side in one run, and
// scripts/bench.sh turns their medians into ratios. `--quick` runs each once at a small size.
#include <cstring>
#include <random>
#include <vector>

#include "goal_support.h"

namespace moxtrel::bench {

bool& QuickMode() {
  static bool quick = false;
  return quick;
}

std::vector<int32_t> RandomPositions(int64_t count, std::size_t how_many) {
  std::mt19937_64 random(20261207);
  std::uniform_int_distribution<int64_t> pick(0, count - 1);
  std::vector<int32_t> out(how_many);
  for (auto& p : out) p = static_cast<int32_t>(pick(random));
  return out;
}

}  // namespace moxtrel::bench

int main(int argc, char** argv) {
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      moxtrel::bench::QuickMode() = true;
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  moxtrel::bench::RegisterListingGoals();
  moxtrel::bench::RegisterStoreGoals();
  moxtrel::bench::RegisterDispatchGoals();
  moxtrel::bench::RegisterScriptGoals();
  moxtrel::bench::RegisterNewJobGoals();
  moxtrel::bench::RegisterSeedGoals();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
