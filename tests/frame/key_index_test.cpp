#include "moxtrel/frame/key_index.h"

#include <gtest/gtest.h>

#include "support/directory_fixture.h"

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/name_set.h"

namespace moxtrel {
namespace {

using testing::ErrorCodeOf;

// A key taken back (a store whose own step after Append failed) leaves no trace: its name is
// free again, later keys take its position, and a refused duplicate changes nothing either.
TEST(KeyIndexTest, PopBackAndRefusedDuplicatesLeaveTheIndexAsItWas) {
  KeyIndex keys;
  keys.Append(u"alice");
  keys.Append(u"Bob");
  keys.PopBack();
  EXPECT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys.Find(u"bob"), -1);
  EXPECT_EQ(ErrorCodeOf([&] { keys.Append(u"ALICE"); }), int32_t(errc::kDuplicateKey));
  keys.Append(u"carol");
  EXPECT_EQ(keys.Find(u"CAROL"), 1);
  EXPECT_EQ(keys.KeyAt(1), u"carol");
  keys.Append(u"bob");
  EXPECT_EQ(keys.Find(u"BOB"), 2);
  keys.Erase(0);
  EXPECT_EQ(keys.Find(u"alice"), -1);
  EXPECT_EQ(keys.Find(u"carol"), 0);
  EXPECT_EQ(keys.Find(u"bob"), 1);
}

TEST(KeyIndexTest, NameSetComparesWithoutRegardToCase) {
  NameSet seen;
  EXPECT_FALSE(seen.Contains(u"Report"));
  EXPECT_TRUE(seen.Insert(u"Report"));
  EXPECT_FALSE(seen.Insert(u"REPORT"));
  EXPECT_TRUE(seen.Contains(u"report"));
  seen.Clear();
  EXPECT_FALSE(seen.Contains(u"report"));
}

}  // namespace
}  // namespace moxtrel
