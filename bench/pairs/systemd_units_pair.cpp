// Pair 10: listing a computer's services on systemd. The library lists them as moxServices does
// (ListUnitFiles and ListUnits, then a bound moxService for each unit); the platform's tool is
// `busctl call ... ListUnits` on the same private manager (tools/private-systemd), whose 200
// test units are loaded and active (oneshot units that remain after exit).
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>

#include "moxtrel/backends/systemd/systemd_provider.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/services/services.h"
#include "pair_support.h"
#include "support/private_systemd.h"

namespace moxtrel::bench {
namespace {

// The most client CPU, wall time and manager CPU the library may spend against busctl.
constexpr double kGoal = 3.0;
// ListUnits alone: the unit files are kept until the manager says they changed, and binding
// each listed unit asks nothing more.
constexpr double kGoalRequests = 1.0;

struct Units {
  testing::PrivateSystemd& manager = testing::SharedSystemd();
  int64_t count = 0;
  std::string why;

  explicit Units(int64_t n) : count(n) {
    if (!manager.Available()) {
      why = manager.Why();
      return;
    }
    std::string wants;
    for (int64_t i = 0; i < n; ++i) {
      const std::string name = "mox-bench-" + std::to_string(i) + ".service";
      manager.WriteUnit(
          true, name,
          "[Unit]\nDescription=Bench unit " + std::to_string(i) +
              "\n[Service]\nType=oneshot\nRemainAfterExit=yes\nExecStart=/bin/true\n");
      wants += " " + name;
    }
    manager.WriteUnit(true, "mox-bench.target", "[Unit]\nWants=" + wants + "\n");
    manager.Call("Reload");
    manager.Call("StartUnit", {"mox-bench.target", "replace"});
    // The jobs run on their own; wait for the last unit to be active.
    for (int i = 0; i < 1500; ++i) {
      if (manager.UnitProperty("mox-bench-" + std::to_string(n - 1) + ".service", "ActiveState") ==
          "active") {
        return;
      }
      usleep(20000);
    }
    why = "the bench units did not start";
  }
};

Units& Shared(int64_t n) {
  static Units units(n);
  return units;
}

void Library(benchmark::State& state) {
  Units& units = Shared(Size(200, 20));
  if (!units.why.empty()) {
    state.SkipWithError(units.why.c_str());
    return;
  }
  backends::systemd::SystemdOptions o;
  o.bus = units.manager.Bus();
  o.unit_dir = units.manager.Units();
  o.computer = u"PC1";
  auto provider = backends::systemd::MakeSystemdProvider(o);
  directory::SetCurrentProvider(provider);
  {
    auto warm = moxServices::Create();  // connects and subscribes once
    warm->Server(u"PC1");
    warm->Count();
  }
  SideMeter meter(state, units.manager.Pid());
  for (auto _ : state) {
    const long before = backends::systemd::ManagerCalls(provider);
    meter.Begin();
    auto services = moxServices::Create();
    services->Server(u"PC1");
    const int32_t n = services->Count();
    meter.End();
    meter.AddRequests(static_cast<double>(backends::systemd::ManagerCalls(provider) - before));
    if (n < units.count) state.SkipWithError("the listing missed units");
  }
  directory::SetCurrentProvider(nullptr);
  meter.Report(kGoal, kGoalRequests);
}

void Native(benchmark::State& state) {
  Units& units = Shared(Size(200, 20));
  if (!units.why.empty()) {
    state.SkipWithError(units.why.c_str());
    return;
  }
  const std::vector<std::string> argv = {"/usr/bin/busctl",
                                         "--address=" + units.manager.Bus(),
                                         "call",
                                         "org.freedesktop.systemd1",
                                         "/org/freedesktop/systemd1",
                                         "org.freedesktop.systemd1.Manager",
                                         "ListUnits"};
  SideMeter meter(state, units.manager.Pid());
  for (auto _ : state) {
    meter.Begin();
    const ToolRun run = RunTool(argv);
    meter.End();
    meter.AddClientCpu(run.cpu_s);
    meter.AddRequests(1);
  }
  meter.Report();
}

BENCHMARK(Library)->Name("Pair10/ListUnits200/Library")->Unit(benchmark::kMillisecond);
BENCHMARK(Native)->Name("Pair10/ListUnits200/Native")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace moxtrel::bench
