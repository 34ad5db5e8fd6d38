// The members both hosts offer for a slip: callable ones once each, events only where the host
// reaches events by name.
#include "moxtrel/host/near_names.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::testing {
namespace {

TEST(NearNamesTest, MemberNamesOnceEachAndEventsOnlyWhenAsked) {
  const typelib::TypeLibrary& lib = typelib::Library();
  const typelib::InterfaceInfo* jobs = lib.FindInterface(u"_moxPrintJobs");
  const typelib::InterfaceInfo* events = lib.FindInterface(u"__moxPrintJobs");
  ASSERT_NE(jobs, nullptr);
  ASSERT_NE(events, nullptr);

  const auto names = host::ObjectMemberNames(jobs, nullptr);
  // AutoUpdate has a get and a put; it is one name. NewEnum is hidden.
  EXPECT_EQ(std::count(names.begin(), names.end(), u"AutoUpdate"), 1);
  EXPECT_EQ(std::find(names.begin(), names.end(), u"NewEnum"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), u"NewJob"), names.end());
  const auto with_events = host::ObjectMemberNames(jobs, events);
  EXPECT_EQ(with_events.back(), u"NewJob");
  EXPECT_TRUE(std::equal(names.begin(), names.end(), with_events.begin()));

  EXPECT_EQ(host::ClosestMemberName(u"AutoUpdte", jobs, nullptr), u"AutoUpdate");
  EXPECT_EQ(host::ClosestMemberName(u"refresh", jobs, nullptr), std::nullopt);  // its own name
  EXPECT_EQ(host::ClosestMemberName(u"NewJb", jobs, events), u"NewJob");
  EXPECT_EQ(host::ClosestMemberName(u"NewJb", jobs, nullptr), std::nullopt);
  EXPECT_EQ(host::ClosestMemberName(u"Refresh", nullptr, nullptr), std::nullopt);
}

}  // namespace
}  // namespace moxtrel::testing
