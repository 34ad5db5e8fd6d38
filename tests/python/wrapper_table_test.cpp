// The table of live wrappers against a std::map: entries survive growth and deletions that
// shift their neighbours back, and only the wrapper kept for an object is dropped for it.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "binding/wrapper_table.h"

namespace moxtrel::python {
namespace {

// Distinct fake addresses, aligned as allocations are; the table never dereferences them.
const void* Key(std::uintptr_t i) {
  return reinterpret_cast<const void*>(0x10000 + 16 * i);
}
PyObject* Value(std::uintptr_t i) {
  return reinterpret_cast<PyObject*>(0x900000 + 16 * i);
}

TEST(WrapperTableTest, AgreesWithAMapThroughGrowthAndDeletions) {
  WrapperTable table;
  std::map<const void*, PyObject*> expected;
  EXPECT_EQ(table.Find(Key(1)), nullptr);
  table.Erase(Key(1), Value(1));  // an empty table ignores it
  std::mt19937 random(28);
  std::uniform_int_distribution<std::uintptr_t> pick(0, 3000);
  for (int step = 0; step < 40000; ++step) {
    const std::uintptr_t i = pick(random);
    if (step % 3 == 2) {
      table.Erase(Key(i), Value(i));
      expected.erase(Key(i));
    } else {
      EXPECT_EQ(table.Insert(Key(i), Value(i)), Value(i));
      expected.emplace(Key(i), Value(i));
    }
    if (step % 1000 == 0) {
      for (std::uintptr_t k = 0; k <= 3000; ++k) {
        const auto found = expected.find(Key(k));
        ASSERT_EQ(table.Find(Key(k)), found == expected.end() ? nullptr : found->second) << k;
      }
    }
  }
  EXPECT_EQ(table.size(), expected.size());
  // Everything out again, in another order: nothing is lost on the way.
  for (auto it = expected.rbegin(); it != expected.rend(); ++it) {
    ASSERT_EQ(table.Find(it->first), it->second);
    table.Erase(it->first, it->second);
  }
  EXPECT_EQ(table.size(), 0u);
}

TEST(WrapperTableTest, KeepsTheFirstWrapperAndDropsOnlyIt) {
  WrapperTable table;
  EXPECT_EQ(table.Insert(Key(7), Value(1)), Value(1));
  EXPECT_EQ(table.Insert(Key(7), Value(2)), Value(1));  // a second wrapper is not kept
  table.Erase(Key(7), Value(2));                        // nor does it drop the first
  EXPECT_EQ(table.Find(Key(7)), Value(1));
  table.Erase(Key(7), Value(1));
  EXPECT_EQ(table.Find(Key(7)), nullptr);
  EXPECT_EQ(table.size(), 0u);
}

}  // namespace
}  // namespace moxtrel::python
