// Shared pieces of the paired benchmarks: each pair measures the library and the platform's own
// tool on the same tree or server in one run. A side is a benchmark named
// `Pair<N>/<what>/Library` or `Pair<N>/<what>/Native`; it reports its figures as counters, which
// scripts/bench.sh turns into ratios:
//
//   client_cpu_s   CPU of the client per iteration (the tool's own CPU when it is a process)
//   wall_s         wall time per iteration
//   server_cpu_s   CPU the server spent per iteration, where there is a server
//   requests       requests the server answered per iteration, where they can be counted
//   peak_bytes     the client's peak resident memory above what it held before, where measured
//
// The Library side also carries the goal: `goal` (the highest ratio allowed on client CPU, wall
// time and server CPU), and where the pair has them `goal_requests` (the most requests allowed)
// and `goal_peak_bytes`.
//
//   SideMeter meter(state, server_pid);
//   for (auto _ : state) { meter.Begin(); ...; meter.End(); }
//   meter.Report();
#pragma once

#include <benchmark/benchmark.h>
#include <sys/types.h>

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace moxtrel::bench {

// Set by main from --quick: every pair runs once at a small size.
bool& QuickMode();

// `full` normally, `quick` in quick mode.
inline int64_t Size(int64_t full, int64_t quick = 100) {
  return QuickMode() ? quick : full;
}

// CPU seconds (user and system) this process has used.
double SelfCpuSeconds();
// CPU seconds (user and system) process `pid` has used; 0 when it cannot be read.
double ProcessCpuSeconds(pid_t pid);
// Seconds on a monotonic clock.
double WallSeconds();
// This process's resident memory now, and the peak since the last ResetPeak().
std::size_t ResidentBytes();
std::size_t PeakResidentBytes();
void ResetPeak();

// Runs a program to completion without a shell; its standard output goes to `out_file` (or is
// discarded when empty). Returns the child's CPU seconds (from its rusage) and wall seconds;
// throws std::runtime_error when it cannot start or exits other than 0.
// Runs one side; an error it throws (a server that stopped answering on a loaded machine) ends
// that benchmark with the error's text, and the run goes on with the others.
template <class Side>
void Guarded(benchmark::State& state, Side&& side) {
  try {
    side();
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

struct ToolRun {
  double cpu_s = 0;
  double wall_s = 0;
};
ToolRun RunTool(const std::vector<std::string>& argv, const std::string& out_file = {});

// Collects one side's figures over the timed iterations.
class SideMeter {
 public:
  // `server` is the server's process id, or 0 when the pair has no server.
  explicit SideMeter(benchmark::State& state, pid_t server = 0);
  void Begin();
  void End();
  // Adds CPU that ran elsewhere (a tool's process) to this iteration.
  void AddClientCpu(double seconds) { extra_cpu_ += seconds; }
  void AddRequests(double n) { requests_ += n; }
  void SetPeakBytes(double bytes) { peak_bytes_ = bytes; }
  // Writes the counters; `goal` and friends are 0 on the Native side.
  void Report(double goal = 0, double goal_requests = 0, double goal_peak_bytes = 0);

 private:
  benchmark::State& state_;
  pid_t server_;
  double cpu_ = 0, wall_ = 0, server_cpu_ = 0, extra_cpu_ = 0, requests_ = 0, peak_bytes_ = -1;
  double cpu0_ = 0, wall0_ = 0, server0_ = 0;
  int64_t iterations_ = 0;
};

}  // namespace moxtrel::bench
