// Goals 9 and 10: loading a JSON seed of many users (time and the directory's bytes per user),
// and a seed object of many keys, whose repeated-key check must stay linear.
#include <string>

#include "goal_support.h"

namespace moxtrel::bench {
namespace {

std::string SeedOfUsers(int64_t count) {
  std::string json = R"({"domains": [{"name": "CORP", "users": [)";
  for (int64_t i = 0; i < count; ++i) {
    if (i) json += ",";
    json += R"({"name": "user)" + std::to_string(i) + R"(", "FullName": "User )" +
            std::to_string(i) + "\"}";
  }
  return json + "]}]}";
}

// One user object with `count` distinct keys; the loader refuses the first unknown one after
// the whole object was read.
std::string SeedOfKeys(int64_t count) {
  std::string json = R"({"domains": [{"name": "CORP", "users": [{"name": "alice")";
  for (int64_t i = 0; i < count; ++i) json += ", \"k" + std::to_string(i) + "\": 1";
  return json + "}]}]}";
}

void LoadUsers(benchmark::State& state) {
  const std::string json = SeedOfUsers(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(directory::MemoryDirectory::FromJson(json, "users.json"));
  }
}

void DirectoryHeap(benchmark::State& state) {
  const std::string json = SeedOfUsers(state.range(0));
  double per_user = 0;
  for (auto _ : state) {
    const std::size_t before = HeapInUse();
    auto dir = directory::MemoryDirectory::FromJson(json, "users.json");
    const std::size_t after = HeapInUse();
    per_user = static_cast<double>(after - before) / static_cast<double>(state.range(0));
  }
  state.counters["bytes_per_user"] = per_user;
}

void LoadManyKeys(benchmark::State& state) {
  const std::string json = SeedOfKeys(state.range(0));
  for (auto _ : state) {
    try {
      directory::MemoryDirectory::FromJson(json, "keys.json");
    } catch (const directory::SeedError&) {
    }
  }
}

}  // namespace

void RegisterSeedGoals() {
  Shape(benchmark::RegisterBenchmark("Goal9/LoadUsers", LoadUsers))
      ->Arg(Size(10000))
      ->Unit(benchmark::kMillisecond);
  // The large load runs once: it is the linearity check, not a figure to repeat.
  benchmark::RegisterBenchmark("Goal9/LoadUsersLarge", LoadUsers)
      ->Arg(Size(1000000, 1000))
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Goal9/DirectoryHeap", DirectoryHeap)
      ->Arg(Size(10000))
      ->Arg(Size(1000000, 1000))
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  const int64_t keys = Size(40000);
  Shape(benchmark::RegisterBenchmark("Goal10/ManyKeys", LoadManyKeys))
      ->Arg(keys)
      ->Unit(benchmark::kMillisecond);
  Shape(benchmark::RegisterBenchmark("Goal10/ManyUsers", LoadUsers))
      ->Arg(keys)
      ->Unit(benchmark::kMillisecond);
}

}  // namespace moxtrel::bench
