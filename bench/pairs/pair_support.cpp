#include "pair_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace moxtrel::bench {

bool& QuickMode() {
  static bool quick = false;
  return quick;
}

namespace {

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

std::size_t StatusField(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::size_t n = std::strlen(key);
  while (std::getline(in, line)) {
    if (line.compare(0, n, key) == 0) return std::stoull(line.substr(n)) * 1024;  // kB
  }
  return 0;
}

}  // namespace

double SelfCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return Seconds(u.ru_utime) + Seconds(u.ru_stime);
}

double ProcessCpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(in, text)) return 0;
  // The command name may hold spaces; the fields after it are space separated.
  const auto close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(text.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; rest >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) {
      stime = std::stoull(field);
      break;
    }
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::size_t ResidentBytes() {
  return StatusField("VmRSS:");
}

std::size_t PeakResidentBytes() {
  return StatusField("VmHWM:");
}

void ResetPeak() {
  // Writing 5 to clear_refs resets the peak resident size to the current one.
  if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
}

ToolRun RunTool(const std::vector<std::string>& argv, const std::string& out_file) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_file.empty() ? "/dev/null" : out_file.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const double wall0 = WallSeconds();
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
  int status = 0;
  rusage u{};
  while (wait4(pid, &status, 0, &u) < 0) {
    if (errno != EINTR) throw std::runtime_error("waiting for " + argv[0] + " failed");
  }
  ToolRun run;
  run.wall_s = WallSeconds() - wall0;
  run.cpu_s = Seconds(u.ru_utime) + Seconds(u.ru_stime);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(argv[0] + " failed with status " + std::to_string(status));
  }
  return run;
}

SideMeter::SideMeter(benchmark::State& state, pid_t server) : state_(state), server_(server) {}

void SideMeter::Begin() {
  cpu0_ = SelfCpuSeconds();
  server0_ = server_ != 0 ? ProcessCpuSeconds(server_) : 0;
  wall0_ = WallSeconds();
}

void SideMeter::End() {
  wall_ += WallSeconds() - wall0_;
  cpu_ += SelfCpuSeconds() - cpu0_;
  if (server_ != 0) server_cpu_ += ProcessCpuSeconds(server_) - server0_;
  ++iterations_;
}

void SideMeter::Report(double goal, double goal_requests, double goal_peak_bytes) {
  const double n = iterations_ > 0 ? static_cast<double>(iterations_) : 1.0;
  auto& c = state_.counters;
  c["client_cpu_s"] = (cpu_ + extra_cpu_) / n;
  c["wall_s"] = wall_ / n;
  if (server_ != 0) c["server_cpu_s"] = server_cpu_ / n;
  if (requests_ > 0) c["requests"] = requests_ / n;
  if (peak_bytes_ >= 0) c["peak_bytes"] = peak_bytes_;
  if (goal > 0) c["goal"] = goal;
  if (goal_requests > 0) c["goal_requests"] = goal_requests;
  if (goal_peak_bytes > 0) c["goal_peak_bytes"] = goal_peak_bytes;
}

}  // namespace moxtrel::bench
