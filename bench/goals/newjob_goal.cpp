// Goal 7: one NewJob tick that finds nothing new on a long queue against a bare Refresh of the
// same jobs (auto-update off).
#include "goal_support.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/printing/print_jobs.h"
#include "moxtrel/printing/print_queue.h"

namespace moxtrel::bench {
namespace {

struct Queue {
  explicit Queue(int64_t jobs) : dir(directory::MemoryDirectory::Create()) {
    directory::DirectoryBuilder b(*dir);
    const std::u16string srv = b.AddComputer(b.AddDomain(u"CORP"), u"PRINTSRV");
    const std::u16string laser = b.AddPrintQueue(srv, u"LaserJet");
    for (int64_t i = 0; i < jobs; ++i) {
      b.AddPrintJob(laser, {{u"User", Variant(u"alice")},
                            {u"Status", Variant(int32_t{0})},
                            {u"TotalPages", Variant(int32_t{1})}});
    }
    directory::SetCurrentProvider(dir);
    queue = moxPrintQueue::Create();
    queue->Find(u"LaserJet", u"PRINTSRV");
  }
  ~Queue() { directory::SetCurrentProvider(nullptr); }
  std::shared_ptr<directory::MemoryDirectory> dir;
  std::shared_ptr<moxPrintQueue> queue;
};

// A tick with auto-update on is a Refresh with the period set; the first one announces all.
void WatchedTick(benchmark::State& state) {
  Queue q(state.range(0));
  auto jobs = q.queue->PrintJobs();
  int64_t announced = 0;
  jobs->NewJob([&](std::u16string&, std::u16string&, std::u16string&, int32_t&, int32_t&, Date&) {
    ++announced;
  });
  jobs->AutoUpdate(60000);
  jobs->Refresh();
  for (auto _ : state) benchmark::DoNotOptimize(jobs->Refresh());
  jobs->AutoUpdate(0);
  state.counters["announced"] = static_cast<double>(announced);
}

void BareRefresh(benchmark::State& state) {
  Queue q(state.range(0));
  auto jobs = q.queue->PrintJobs();
  for (auto _ : state) benchmark::DoNotOptimize(jobs->Refresh());
}

}  // namespace

void RegisterNewJobGoals() {
  const int64_t n = Size(10000);
  Shape(benchmark::RegisterBenchmark("Goal7/WatchedTick", WatchedTick))
      ->Arg(n)
      ->Unit(benchmark::kMillisecond);
  Shape(benchmark::RegisterBenchmark("Goal7/BareRefresh", BareRefresh))
      ->Arg(n)
      ->Unit(benchmark::kMillisecond);
}

}  // namespace moxtrel::bench
