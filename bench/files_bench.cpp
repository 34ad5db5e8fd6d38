// The files backend listing 100k accounts through the object model (a moxServer's
// Users()->Count(), parsing the files afresh each time) against libc reading the same passwd
// file with fgetpwent_r. Both run with the same argument; the files benchmark also reports the
// ratio to one fgetpwent_r pass measured beside it ("x_fgetpwent").
#include <benchmark/benchmark.h>
#include <ftw.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include "moxtrel/accounts/users.h"
#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/servers/server.h"

namespace {

class AccountTree : public benchmark::Fixture {
 public:
  void SetUp(const benchmark::State& state) override {
    char pattern[] = "/tmp/moxtrel-bench-XXXXXX";
    root_ = ::mkdtemp(pattern);
    ::mkdir((root_ + "/etc").c_str(), 0755);
    std::ofstream passwd(root_ + "/etc/passwd"), shadow(root_ + "/etc/shadow");
    for (int64_t i = 0; i < state.range(0); ++i) {
      const std::string name = "user" + std::to_string(i);
      passwd << name << ":x:" << 10000 + i << ":100:User " << i << ":/home/" << name
             << ":/bin/sh\n";
      shadow << name << ":!:19000:0:99999:7:::\n";
    }
    std::ofstream(root_ + "/etc/group") << "users:x:100:\n";
    std::ofstream(root_ + "/etc/gshadow") << "users:!::\n";
  }
  void TearDown(const benchmark::State&) override {
    moxtrel::directory::SetCurrentProvider(nullptr);
    ::nftw(
        root_.c_str(),
        [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }, 16,
        FTW_DEPTH | FTW_PHYS);
  }

 protected:
  int64_t CountWithFgetpwent() {
    FILE* f = ::fopen((root_ + "/etc/passwd").c_str(), "re");
    struct passwd pw {};
    struct passwd* out = nullptr;
    char buf[1024];
    int64_t n = 0;
    while (::fgetpwent_r(f, &pw, buf, sizeof buf, &out) == 0) ++n;
    ::fclose(f);
    return n;
  }
  int32_t CountWithMoxUsers() {
    moxtrel::backends::files::FilesOptions o;
    o.root = root_;
    o.computer = u"PC1";
    moxtrel::directory::SetCurrentProvider(moxtrel::backends::files::MakeFilesProvider(o));
    auto server = moxtrel::moxServer::Create();
    server->Name(u"PC1");
    return server->Users()->Count();
  }

  std::string root_;
};

BENCHMARK_DEFINE_F(AccountTree, MoxUsersCount)(benchmark::State& state) {
  using clock = std::chrono::steady_clock;
  auto t0 = clock::now();
  benchmark::DoNotOptimize(CountWithFgetpwent());
  const double libc = std::chrono::duration<double>(clock::now() - t0).count();
  double total = 0;
  for (auto _ : state) {
    auto start = clock::now();
    if (CountWithMoxUsers() != state.range(0)) state.SkipWithError("wrong count");
    total += std::chrono::duration<double>(clock::now() - start).count();
  }
  state.counters["x_fgetpwent"] = total / static_cast<double>(state.iterations()) / libc;
}
BENCHMARK_REGISTER_F(AccountTree, MoxUsersCount)->Arg(100000)->Unit(benchmark::kMillisecond);

// The backend's own share: parse the files and walk the computer's users by name, without the
// object model's per-account objects.
BENCHMARK_DEFINE_F(AccountTree, ProviderEnum)(benchmark::State& state) {
  for (auto _ : state) {
    moxtrel::backends::files::FilesOptions o;
    o.root = root_;
    o.computer = u"PC1";
    auto provider = moxtrel::backends::files::MakeFilesProvider(o);
    auto pc = moxtrel::directory::As<moxtrel::directory::IADsContainer>(
        provider->GetObject(u"WinNT://PC1,computer"));
    pc->Filter(moxtrel::Variant::StringArray({u"User"}));
    auto walk = pc->NewEnum();
    int64_t n = 0;
    while (auto o = walk->Next()) {
      benchmark::DoNotOptimize(o->Name());
      ++n;
    }
    if (n != state.range(0)) state.SkipWithError("wrong count");
  }
}
BENCHMARK_REGISTER_F(AccountTree, ProviderEnum)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_DEFINE_F(AccountTree, Fgetpwent)(benchmark::State& state) {
  for (auto _ : state) {
    if (CountWithFgetpwent() != state.range(0)) state.SkipWithError("wrong count");
  }
}
BENCHMARK_REGISTER_F(AccountTree, Fgetpwent)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
