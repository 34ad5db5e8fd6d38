// A program built against the installed library, as a client project builds it: the umbrella
// header, the version, the installed sample directory (or the built-in one), and one early- and
// one late-bound call.
#include <moxtrel/moxtrel.h>
#include <moxtrel/version.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: consumer [DIRECTORY_JSON]\n");
    return 2;
  }
  using namespace moxtrel;
  try {
    directory::SetCurrentProvider(argc == 2 ? directory::MemoryDirectory::FromFile(argv[1])
                                            : directory::MemoryDirectory::Sample());
  } catch (const directory::SeedError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  auto domain = moxDomain::Create();
  domain->Name(u"HARBOR");
  std::vector<Variant> none;
  ObjectPtr late = dispatch::CreateObject(u"Moxtrel.moxDomain");
  std::vector<Variant> name{Variant(u"HARBOR")};
  dispatch::InvokeByName(*late, u"Name", kDispatchPut, name);
  const Variant users = dispatch::InvokeByName(*late, u"Users", kDispatchGet, none);
  const Variant count = dispatch::InvokeByName(*users.AsObject(), u"Count", kDispatchGet, none);
  std::printf("moxtrel %s (%d.%d.%d): HARBOR exists %d, %d users late-bound\n", MOXTREL_VERSION,
              MOXTREL_VERSION_MAJOR, MOXTREL_VERSION_MINOR, MOXTREL_VERSION_PATCH,
              domain->Exists() ? 1 : 0, count.ToLong());
  return 0;
}
