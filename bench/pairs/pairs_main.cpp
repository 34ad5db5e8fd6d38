// The paired benchmarks: the library against the platform's own tool, side by side in one run.
// Pairs register themselves with BENCHMARK macros in their own files; `--quick` runs each once
// at a small size (CI uses it so the programs cannot rot).
#include <malloc.h>

#include <cstring>
#include <vector>

#include "pair_support.h"

int main(int argc, char** argv) {
  // Sides are measured in the steady state of a long-running client: memory that a side freed
  // between iterations (outside the measurement) stays with the process. Otherwise whether a side
  // pays the kernel's page faults for it again depends on what ran before in the same process,
  // which made one side's figure swing by nearly half from one ordering to the next.
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
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
