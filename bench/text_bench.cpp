// Key hashing and comparison without regard to case: ASCII keys take the fast path, other
// keys go through ICU's case folding. A listing hashes every member's key once.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "moxtrel/frame/text.h"

namespace {

std::vector<std::u16string> Keys(const std::u16string& stem, int count) {
  std::vector<std::u16string> keys;
  keys.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) keys.push_back(stem + moxtrel::DecimalText(i));
  return keys;
}

void HashKeys(benchmark::State& state, const std::u16string& stem) {
  const auto keys = Keys(stem, 1000);
  moxtrel::NoCaseHash hash;
  for (auto _ : state) {
    std::size_t sum = 0;
    for (const auto& k : keys) sum += hash(k);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}

void BM_HashAsciiKeys(benchmark::State& state) {
  HashKeys(state, u"Administrator-");
}
BENCHMARK(BM_HashAsciiKeys);

void BM_HashNonAsciiKeys(benchmark::State& state) {
  HashKeys(state, u"Ǆemal-Σοφία-");
}
BENCHMARK(BM_HashNonAsciiKeys);

void BM_EqualsAsciiKeys(benchmark::State& state) {
  const auto a = Keys(u"Administrator-", 1000);
  const auto b = Keys(u"ADMINISTRATOR-", 1000);
  for (auto _ : state) {
    int equal = 0;
    for (std::size_t i = 0; i < a.size(); ++i) equal += moxtrel::EqualsNoCase(a[i], b[i]);
    benchmark::DoNotOptimize(equal);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(a.size()));
}
BENCHMARK(BM_EqualsAsciiKeys);

}  // namespace
