// Pair 4: bind a CUPS queue of held jobs and walk every job's name and user, against ipptool's
// Get-Jobs of the same queue printing each job's id, name and user. Both on one private cupsd.
#include <cstdio>
#include <fstream>

#include "cups_queue.h"
#include "moxtrel/backends/cups/cups_provider.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/frame/variant.h"
#include "moxtrel/printing/print_job.h"
#include "moxtrel/printing/print_jobs.h"
#include "moxtrel/printing/print_queue.h"
#include "pair_support.h"

namespace moxtrel::bench {
namespace {

constexpr double kGoal = 1.5;

void WalkJobs(benchmark::State& state) {
  HeldQueue& q = TheHeldQueue();
  if (!q.why.empty()) return state.SkipWithError(q.why.c_str());
  auto provider = q.Provider();
  directory::SetCurrentProvider(provider);
  SideMeter meter(state, q.cups.Pid());
  int64_t walked = 0;
  for (auto _ : state) {
    const long before = backends::cups::RequestsSent(provider);
    meter.Begin();
    auto queue = moxPrintQueue::Create();
    if (!queue->Find(u"Held", u"PC1")) {
      const auto why = LastTrappedFailure();
      const std::string text =
          "the queue was not found: " + (why ? ToUtf8(why->description) : std::string("?"));
      return state.SkipWithError(text.c_str());
    }
    auto jobs = queue->PrintJobs();
    const int32_t n = jobs->Count();
    for (int32_t i = 1; i <= n; ++i) {
      auto job = jobs->Item(Variant(i));
      benchmark::DoNotOptimize(job->Name());
      benchmark::DoNotOptimize(job->User());
    }
    walked = n;
    meter.End();
    meter.AddRequests(static_cast<double>(backends::cups::RequestsSent(provider) - before));
  }
  directory::SetCurrentProvider(nullptr);
  if (walked != q.jobs) return state.SkipWithError("the walk missed jobs");
  state.counters["jobs"] = static_cast<double>(walked);
  state.counters["fill_s"] = q.fill_seconds;
  meter.Report(kGoal);
}

void Library(benchmark::State& state) {
  Guarded(state, [&] { WalkJobs(state); });
  directory::SetCurrentProvider(nullptr);
}

void Native(benchmark::State& state) {
  HeldQueue& q = TheHeldQueue();
  if (!q.why.empty()) return state.SkipWithError(q.why.c_str());
  char dir[] = "/tmp/moxtrel-pair4-XXXXXX";
  if (!mkdtemp(dir)) return state.SkipWithError("no temporary folder");
  const std::string test = std::string(dir) + "/get-jobs.test";
  const std::string out = std::string(dir) + "/jobs.txt";
  std::ofstream(test) << "{\n  NAME \"Get-Jobs\"\n  OPERATION Get-Jobs\n"
                      << "  GROUP operation-attributes-tag\n"
                      << "  ATTR charset attributes-charset utf-8\n"
                      << "  ATTR naturalLanguage attributes-natural-language en\n"
                      << "  ATTR uri printer-uri $uri\n"
                      << "  ATTR name requesting-user-name root\n"
                      << "  ATTR keyword requested-attributes "
                      << "job-id,job-name,job-originating-user-name\n"
                      << "  STATUS successful-ok\n  DISPLAY job-id\n  DISPLAY job-name\n"
                      << "  DISPLAY job-originating-user-name\n}\n";
  SideMeter meter(state, q.cups.Pid());
  for (auto _ : state) {
    meter.Begin();
    const ToolRun run = RunTool({"ipptool", "-c", q.uri, test}, out);
    meter.End();
    meter.AddClientCpu(run.cpu_s);
    meter.AddRequests(1);
  }
  std::remove(test.c_str());
  std::remove(out.c_str());
  rmdir(dir);
  meter.Report();
}

BENCHMARK(Library)->Name("Pair4/cups_jobs/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Native)->Name("Pair4/cups_jobs/Native")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace moxtrel::bench
