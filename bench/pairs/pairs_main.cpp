// The paired benchmarks: the library against the platform's own tool, side by side in one run.
// Pairs register themselves with BENCHMARK macros in their own files; `--quick` runs each once
// at a small size (CI uses it so the programs cannot rot).
#include <cstring>
#include <vector>

#include "pair_support.h"

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
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
