// Shared pieces of the goal benchmarks: directories of many accounts, the heap in use, and the
// sizes each goal runs at (small ones in quick mode, which CI uses so the programs cannot rot).
//
//   auto dir = DirectoryWithUsers(100000);
//   const std::size_t before = HeapInUse();
#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "moxtrel/frame/text.h"
#include "moxtrel/memory/memory_directory.h"

namespace moxtrel::bench {

// Set by main from --quick: every goal runs once at a small size.
bool& QuickMode();

// `full` normally, `quick` in quick mode.
inline int64_t Size(int64_t full, int64_t quick = 100) {
  return QuickMode() ? quick : full;
}

// Applies the timing options every goal benchmark shares: CPU time, one iteration when quick.
inline benchmark::internal::Benchmark* Shape(benchmark::internal::Benchmark* b) {
  if (QuickMode()) b->Iterations(1);
  return b;
}

inline std::u16string UserName(int64_t i) {
  return u"user" + FromUtf8(std::to_string(i));
}

// A domain CORP with `count` accounts named user0, user1, ...
inline std::shared_ptr<directory::MemoryDirectory> DirectoryWithUsers(int64_t count) {
  auto dir = directory::MemoryDirectory::Create();
  directory::DirectoryBuilder b(*dir);
  const std::u16string corp = b.AddDomain(u"CORP");
  for (int64_t i = 0; i < count; ++i) b.AddUser(corp, UserName(i));
  return dir;
}

// Bytes the allocator has handed out and not taken back.
inline std::size_t HeapInUse() {
  malloc_trim(0);
  return mallinfo2().uordblks;
}

// Random positions 0..count-1, the same for every run.
std::vector<int32_t> RandomPositions(int64_t count, std::size_t how_many);

// Each goal's file registers its benchmarks through one of these; main calls them all.
void RegisterListingGoals();
void RegisterStoreGoals();
void RegisterDispatchGoals();
void RegisterScriptGoals();
void RegisterNewJobGoals();
void RegisterSeedGoals();

}  // namespace moxtrel::bench
