// Pair 5: a NewJob tick that finds nothing new on a queue of held jobs, against a bare Refresh
// of the same jobs (AutoUpdate off), on a private cupsd and on the embedded directory. The
// first tick announces every job; the timed ones find nothing new.
#include "cups_queue.h"
#include "moxtrel/backends/cups/cups_provider.h"
#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/printing/print_jobs.h"
#include "moxtrel/printing/print_queue.h"
#include "pair_support.h"

namespace moxtrel::bench {
namespace {

constexpr double kGoal = 1.5;

// The embedded directory holding the computer "PC1" with the queue "Held" of `jobs` jobs.
std::shared_ptr<directory::MemoryDirectory> EmbeddedQueue(int64_t jobs) {
  auto dir = directory::MemoryDirectory::Create();
  directory::DirectoryBuilder b(*dir);
  const std::u16string queue =
      b.AddPrintQueue(b.AddComputer(b.AddDomain(u"CORP"), u"PC1"), u"Held");
  for (int64_t i = 0; i < jobs; ++i) {
    b.AddPrintJob(queue, {{u"User", Variant(u"alice")},
                          {u"Status", Variant(int32_t{1})},
                          {u"TotalPages", Variant(int32_t{1})}});
  }
  return dir;
}

// One side: `watched` sets AutoUpdate and a NewJob handler, else bare Refreshes.
void Side(benchmark::State& state, std::shared_ptr<directory::DirectoryProvider> provider,
          pid_t server, bool watched) {
  directory::SetCurrentProvider(provider);
  auto queue = moxPrintQueue::Create();
  if (!queue->Find(u"Held", u"PC1")) {
    directory::SetCurrentProvider(nullptr);
    return state.SkipWithError("the queue was not found");
  }
  auto jobs = queue->PrintJobs();
  int64_t announced = 0;
  if (watched) {
    jobs->NewJob([&](std::u16string&, std::u16string&, std::u16string&, int32_t&, int32_t&, Date&) {
      ++announced;
    });
    jobs->AutoUpdate(60000);  // long: the ticks are the Refreshes below
  }
  jobs->Refresh();
  jobs->Refresh();  // a watched CUPS queue subscribes at its second listing
  const int64_t first = announced;
  const long before = backends::cups::RequestsSent(provider);
  SideMeter meter(state, server);
  for (auto _ : state) {
    meter.Begin();
    benchmark::DoNotOptimize(jobs->Refresh());
    meter.End();
  }
  if (before >= 0) {
    meter.AddRequests(static_cast<double>(backends::cups::RequestsSent(provider) - before));
  }
  state.counters["jobs"] = jobs->Count();
  if (watched) {
    state.counters["announced_first"] = static_cast<double>(first);
    state.counters["announced_later"] = static_cast<double>(announced - first);
    jobs->AutoUpdate(0);
  }
  jobs.reset();
  queue.reset();
  directory::SetCurrentProvider(nullptr);
  meter.Report(watched ? kGoal : 0);
}

void CupsSide(benchmark::State& state, bool watched) {
  HeldQueue& q = TheHeldQueue();
  if (!q.why.empty()) return state.SkipWithError(q.why.c_str());
  Guarded(state, [&] { Side(state, q.Provider(), q.cups.Pid(), watched); });
  directory::SetCurrentProvider(nullptr);
}

void EmbeddedSide(benchmark::State& state, bool watched) {
  static const auto dir = EmbeddedQueue(Size(10000));
  Side(state, dir, 0, watched);
}

void CupsLibrary(benchmark::State& state) {
  CupsSide(state, true);
}
void CupsNative(benchmark::State& state) {
  CupsSide(state, false);
}
void EmbeddedLibrary(benchmark::State& state) {
  EmbeddedSide(state, true);
}
void EmbeddedNative(benchmark::State& state) {
  EmbeddedSide(state, false);
}

BENCHMARK(CupsLibrary)->Name("Pair5/cups_newjob/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(CupsNative)->Name("Pair5/cups_newjob/Native")->Unit(benchmark::kMillisecond);
BENCHMARK(EmbeddedLibrary)->Name("Pair5/embedded_newjob/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(EmbeddedNative)->Name("Pair5/embedded_newjob/Native")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace moxtrel::bench
