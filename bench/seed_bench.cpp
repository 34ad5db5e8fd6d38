// Reading a seed stays linear in the number of keys of one object.
#include <benchmark/benchmark.h>

#include <string>

#include "moxtrel/memory/memory_directory.h"

namespace {

void BM_SeedObjectWithManyKeys(benchmark::State& state) {
  std::string json = "{\"comment\": {";
  for (int64_t i = 0; i < state.range(0); ++i) {
    json += "\"k" + std::to_string(i) + "\": " + std::to_string(i) + ",";
  }
  json.back() = '}';
  json += "}";
  for (auto _ : state) {
    benchmark::DoNotOptimize(moxtrel::directory::MemoryDirectory::FromJson(json));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SeedObjectWithManyKeys)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity();

}  // namespace
