// The list of built-in backends: registering it twice is harmless, and a registry keeps the
// selector's default first in what it offers, whatever registered first (a program that read a
// configuration, which adds the core's "memory", before it registered "files").
#include "moxtrel/backends/builtin_backends.h"

#include <gtest/gtest.h>

#include "moxtrel/backends/files/files_backend.h"
#include "moxtrel/backends/memory/memory_backend.h"
#include "moxtrel/directory/backend_registry.h"

namespace moxtrel::testing {
namespace {

using directory::BackendRegistry;

TEST(BuiltinBackendsTest, RegisteringTwiceKeepsOneOfEachWithTheDefaultOfferedFirst) {
  BackendRegistry registry;
  registry.Add(backends::memory::MemoryBackendType());
  directory::RegisterBuiltinBackends(registry);
  ASSERT_NO_THROW(directory::RegisterBuiltinBackends(registry));
  std::vector<std::string> names;
  for (const auto& type : registry.Types()) names.push_back(type.name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"memory", "files", "ldap", "cups", "samba", "systemd"}));
  EXPECT_EQ(registry.NamesFor("accounts"), (std::vector<std::string>{"files", "memory"}));
  EXPECT_EQ(registry.Selectors().front().fallback, "files");
  EXPECT_EQ(directory::QuotedChoice(registry.NamesFor("printing")), "\"cups\"");
  // The process's registry holds the same types, as the tests' main registered them.
  for (const auto& name : names) EXPECT_TRUE(BackendRegistry::Global().Find(name)) << name;
}

}  // namespace
}  // namespace moxtrel::testing
