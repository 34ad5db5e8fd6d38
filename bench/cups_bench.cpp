// One watch tick with nothing new on a CUPS queue of 100 jobs against one of 10,000 (set
// MOXTREL_CUPS_BENCH_JOBS to change the large size), on a private cupsd. Three levels:
//   CupsTick:      the provider's job enumeration of a watched queue (what a tick asks the
//                  server: one Get-Notifications), without walking the jobs;
//   CupsTickWalk:  the same plus reading every job's name and status, as moxPrintJobs does;
//   CupsRefresh:   moxPrintJobs.Refresh with AutoUpdate on, every job already announced.
// The jobs are held, so they stay queued. Skipped when cupsd is not installed.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "moxtrel/backends/cups/cups_provider.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/printing/print_jobs.h"
#include "moxtrel/printing/print_queue.h"
#include "support/cupsd_server.h"

namespace {

using namespace moxtrel;

int LargeSize() {
  const char* env = std::getenv("MOXTREL_CUPS_BENCH_JOBS");
  return env ? std::max(100, std::atoi(env)) : 10000;
}

// One server for the whole run, holding queues "Q100" and "Q<large>" filled with held jobs.
struct Server {
  testing::CupsdServer cups;
  std::shared_ptr<directory::DirectoryProvider> provider;
  double submit_seconds = 0;
  Server() {
    if (!cups.Available()) return;
    const auto start = std::chrono::steady_clock::now();
    for (int size : {100, LargeSize()}) {
      const std::string q = "Q" + std::to_string(size);
      cups.AddQueue(q, /*started=*/true);
      for (int i = 0; i < size; ++i) cups.Submit(q, "alice", "doc", 64, /*held=*/true);
    }
    submit_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    backends::cups::CupsOptions o;
    o.server = cups.Server();
    o.computer = u"PC1";
    o.user = "root";
    provider = backends::cups::MakeCupsProvider(o);
  }
};

Server& TheServer() {
  static Server server;
  return server;
}

std::u16string QueueName(int size) {
  return u"Q" + FromUtf8(std::to_string(size));
}

void Tick(benchmark::State& state, bool walk) {
  Server& s = TheServer();
  if (!s.provider) return state.SkipWithError("cupsd is not available");
  const int size = state.range(0) == 0 ? 100 : LargeSize();
  auto queue = directory::As<directory::IADsPrintQueueOperations>(
      s.provider->GetObject(u"WinNT://PC1/" + QueueName(size) + u",PrintQueue"));
  for (int i = 0; i < 2; ++i) queue->PrintJobs()->NewEnum();  // list, then subscribe
  const long before = backends::cups::RequestsSent(s.provider);
  int64_t jobs = 0;
  for (auto _ : state) {
    auto e = queue->PrintJobs()->NewEnum();
    if (walk) {
      while (auto job = e->Next()) {
        benchmark::DoNotOptimize(job->Name());
        benchmark::DoNotOptimize(directory::As<directory::IADsPrintJobOperations>(job)->Status());
        ++jobs;
      }
    }
    benchmark::DoNotOptimize(e);
  }
  state.counters["jobs"] = size;
  state.counters["requests_per_tick"] =
      static_cast<double>(backends::cups::RequestsSent(s.provider) - before) /
      static_cast<double>(state.iterations());
  state.counters["submit_s"] = s.submit_seconds;
}

void CupsTick(benchmark::State& state) {
  Tick(state, false);
}
void CupsTickWalk(benchmark::State& state) {
  Tick(state, true);
}

void CupsRefresh(benchmark::State& state) {
  Server& s = TheServer();
  if (!s.provider) return state.SkipWithError("cupsd is not available");
  const int size = state.range(0) == 0 ? 100 : LargeSize();
  directory::SetCurrentProvider(s.provider);
  auto q = moxPrintQueue::Create();
  if (!q->Find(QueueName(size), u"PC1")) return state.SkipWithError("queue not found");
  auto jobs = q->PrintJobs();
  jobs->AutoUpdate(60000);
  jobs->Refresh();  // subscribes and announces every job
  for (auto _ : state) benchmark::DoNotOptimize(jobs->Refresh());
  state.counters["jobs"] = jobs->Count();
  directory::SetCurrentProvider(nullptr);
}

BENCHMARK(CupsTick)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(CupsTickWalk)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(CupsRefresh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
