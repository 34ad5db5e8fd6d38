// Pair 6: one Samba share's Path after Find, against `net conf getparm` of the same share, on a
// private smbd's registry configuration. Both sides pay for runs of net: the library's children
// count as its own CPU.
#include <sys/resource.h>

#include "moxtrel/backends/samba/samba_provider.h"
#include "moxtrel/servers/file_share.h"
#include "pair_support.h"
#include "support/smbd_server.h"

namespace moxtrel::bench {
namespace {

constexpr double kGoal = 1.3;

double ChildrenCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Server {
  testing::SmbdServer smb;
  std::string why;
  Server() {
    if (!smb.Available()) {
      why = smb.Why();
      return;
    }
    smb.AddShare("Reports", smb.Folder("reports"), "Monthly reports");
  }
};

Server& TheServer() {
  static Server server;
  return server;
}

void Library(benchmark::State& state) {
  Server& s = TheServer();
  if (!s.why.empty()) return state.SkipWithError(s.why.c_str());
  backends::samba::SambaOptions o;
  o.smb_conf = s.smb.Conf();
  o.computer = u"PC1";
  auto provider = backends::samba::MakeSambaProvider(o);
  directory::SetCurrentProvider(provider);
  SideMeter meter(state);
  const long runs = backends::samba::NetRuns(provider);
  for (auto _ : state) {
    const double children = ChildrenCpuSeconds();
    meter.Begin();
    auto share = moxFileShare::Create();
    if (!share->Find(u"Reports", u"PC1")) return state.SkipWithError("the share was not found");
    benchmark::DoNotOptimize(share->Path());
    meter.End();
    meter.AddClientCpu(ChildrenCpuSeconds() - children);
  }
  state.counters["net_runs"] = static_cast<double>(backends::samba::NetRuns(provider) - runs) /
                               static_cast<double>(state.iterations());
  directory::SetCurrentProvider(nullptr);
  meter.Report(kGoal);
}

void Native(benchmark::State& state) {
  Server& s = TheServer();
  if (!s.why.empty()) return state.SkipWithError(s.why.c_str());
  SideMeter meter(state);
  for (auto _ : state) {
    meter.Begin();
    const ToolRun run =
        RunTool({"/usr/bin/net", "-s", s.smb.Conf(), "conf", "getparm", "Reports", "path"});
    meter.End();
    meter.AddClientCpu(run.cpu_s);
  }
  state.counters["net_runs"] = 1;
  meter.Report();
}

BENCHMARK(Library)->Name("Pair6/samba_share_path/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Native)->Name("Pair6/samba_share_path/Native")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace moxtrel::bench
