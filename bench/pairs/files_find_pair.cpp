// Pair 3: one local user by name and its full name (moxUser.Find, then FullName) on the files
// backend, against fgetpwent reading passwd until that user. The user sits halfway down the
// file. Each library run starts from a new provider: nothing is cached between runs.
#include <pwd.h>
#include <stdio.h>

#include <cstring>
#include <stdexcept>

#include "account_tree.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/text.h"
#include "pair_support.h"

namespace moxtrel::bench {
namespace {

std::string FindWithLibrary(const AccountTree& tree, const std::string& name) {
  backends::files::FilesOptions o;
  o.root = tree.Root();
  o.computer = u"PC1";
  directory::SetCurrentProvider(backends::files::MakeFilesProvider(o));
  auto user = moxUser::Create();
  std::string full;
  if (user->Find(FromUtf8(name), u"PC1", moxType::moxLocal)) full = ToUtf8(user->FullName());
  directory::SetCurrentProvider(nullptr);
  return full;
}

std::string FindWithFgetpwent(const AccountTree& tree, const std::string& name) {
  FILE* f = ::fopen(tree.Passwd().c_str(), "re");
  if (f == nullptr) throw std::runtime_error("cannot open " + tree.Passwd());
  std::string full;
  while (struct passwd* pw = ::fgetpwent(f)) {
    if (std::strcmp(pw->pw_name, name.c_str()) == 0) {
      full.assign(pw->pw_gecos, std::strcspn(pw->pw_gecos, ","));
      break;
    }
  }
  ::fclose(f);
  return full;
}

template <bool kLibrary>
void FindUser(benchmark::State& state) {
  const int64_t users = Size(100000);
  AccountTree tree(users);
  const std::string name = AccountTree::UserName(users / 2);
  const std::string expected = AccountTree::FullName(users / 2);
  SideMeter meter(state);
  for (auto _ : state) {
    meter.Begin();
    const std::string full = kLibrary ? FindWithLibrary(tree, name) : FindWithFgetpwent(tree, name);
    meter.End();
    if (full != expected) state.SkipWithError("the user's full name was not found");
  }
  if (kLibrary) {
    meter.Report(2);
  } else {
    meter.Report();
  }
}

BENCHMARK(FindUser<true>)->Name("Pair3/files_find_100000/Library")->Unit(benchmark::kMicrosecond);
BENCHMARK(FindUser<false>)->Name("Pair3/files_find_100000/Native")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace moxtrel::bench
