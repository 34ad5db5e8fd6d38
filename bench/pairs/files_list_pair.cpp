// Pair 2: every local user with its full name, through the object model on the files backend,
// against a C loop over fgetpwent on the same passwd. Each library run starts from a new
// provider, as a program that lists the users once would: nothing is cached between runs.
#include <pwd.h>
#include <stdio.h>

#include <cstring>
#include <stdexcept>

#include "account_tree.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/servers/server.h"
#include "pair_support.h"

namespace moxtrel::bench {
namespace {

// Bytes of full names read, so that neither side can skip them.
int64_t ListWithLibrary(const AccountTree& tree) {
  backends::files::FilesOptions o;
  o.root = tree.Root();
  o.computer = u"PC1";
  directory::SetCurrentProvider(backends::files::MakeFilesProvider(o));
  auto server = moxServer::Create();
  server->Name(u"PC1");
  auto users = server->Users();
  const int32_t n = users->Count();
  int64_t bytes = 0;
  for (int32_t i = 1; i <= n; ++i)
    bytes += static_cast<int64_t>(users->Item(Variant(i))->FullName().size());
  directory::SetCurrentProvider(nullptr);
  return bytes;
}

int64_t ListWithFgetpwent(const AccountTree& tree) {
  FILE* f = ::fopen(tree.Passwd().c_str(), "re");
  if (f == nullptr) throw std::runtime_error("cannot open " + tree.Passwd());
  int64_t bytes = 0;
  while (struct passwd* pw = ::fgetpwent(f)) {
    bytes += static_cast<int64_t>(std::strcspn(pw->pw_gecos, ","));
  }
  ::fclose(f);
  return bytes;
}

template <int64_t kUsers, bool kLibrary>
void ListUsers(benchmark::State& state) {
  AccountTree tree(Size(kUsers));
  const int64_t expected = ListWithFgetpwent(tree);
  SideMeter meter(state);
  for (auto _ : state) {
    meter.Begin();
    const int64_t bytes = kLibrary ? ListWithLibrary(tree) : ListWithFgetpwent(tree);
    meter.End();
    if (bytes != expected) state.SkipWithError("the two sides read different full names");
  }
  if (kLibrary) {
    meter.Report(2);
  } else {
    meter.Report();
  }
}

BENCHMARK(ListUsers<10000, true>)
    ->Name("Pair2/files_list_10000/Library")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ListUsers<10000, false>)
    ->Name("Pair2/files_list_10000/Native")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ListUsers<100000, true>)
    ->Name("Pair2/files_list_100000/Library")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ListUsers<100000, false>)
    ->Name("Pair2/files_list_100000/Native")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace moxtrel::bench
