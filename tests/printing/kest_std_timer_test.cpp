#include "moxtrel/printing/kest_std_timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/handler_failure.h"
#include "moxtrel/platform/thread_timers.h"
#include "moxtrel/printing/mod_timer.h"

namespace moxtrel {
namespace {

using std::chrono::milliseconds;

class KestStdTimerTest : public ::testing::Test {
 protected:
  KestStdTimerTest() {
    previous_ = SetHandlerFailureHook(
        [this](const AutomationError& e) { contained.push_back(e.description()); });
  }
  ~KestStdTimerTest() override { SetHandlerFailureHook(std::move(previous_)); }

  static std::size_t Records() { return modTimer::colTimers().size(); }

  platform::ManualTime clock;
  std::vector<std::u16string> contained;
  const std::size_t records = Records();
  const std::size_t active = platform::ActiveTimers();
  HandlerFailureHook previous_;
};

// Interval refuses values that are not positive and is frozen while running; a running
// timer has one platform timer and one record; refusals by the platform change nothing.
TEST_F(KestStdTimerTest, StartStopAndIntervalRules) {
  auto timer = KestStdTimer::Create();
  EXPECT_EQ(timer->Interval(), 1000);
  timer->Interval(0);
  timer->Interval(-5);
  EXPECT_EQ(timer->Interval(), 1000);
  timer->Interval(250);
  platform::FailNextSetTimer();
  EXPECT_FALSE(timer->StartTimer());
  EXPECT_FALSE(timer->Running());
  EXPECT_EQ(Records(), records);
  ASSERT_TRUE(timer->StartTimer());
  EXPECT_FALSE(timer->StartTimer());
  timer->Interval(500);
  EXPECT_EQ(timer->Interval(), 250);
  EXPECT_EQ(Records(), records + 1);
  EXPECT_EQ(platform::ActiveTimers(), active + 1);
  platform::FailNextKillTimer();
  EXPECT_FALSE(timer->StopTimer());
  EXPECT_TRUE(timer->Running());
  EXPECT_TRUE(timer->StopTimer());
  EXPECT_EQ(timer->Identifier(), 0);
  EXPECT_EQ(Records(), records);
  EXPECT_EQ(platform::ActiveTimers(), active);
  const auto kills = platform::CallCounts().kill;
  EXPECT_FALSE(timer->StopTimer());
  EXPECT_EQ(platform::CallCounts().kill, kills);  // stopped: no platform call
}

// With two running timers, each expiry raises Timer on its own timer only.
TEST_F(KestStdTimerTest, EachExpiryRaisesItsOwnTimer) {
  auto fast = KestStdTimer::Create(), slow = KestStdTimer::Create();
  int fast_ticks = 0, slow_ticks = 0;
  fast->Timer([&] { ++fast_ticks; });
  slow->Timer([&] { ++slow_ticks; });
  fast->Interval(250);
  ASSERT_TRUE(fast->StartTimer());
  ASSERT_TRUE(slow->StartTimer());
  platform::PumpFor(milliseconds(750));
  modTimer::TimerProc(slow->Identifier());
  modTimer::TimerProc(0);  // matches no record
  EXPECT_EQ(fast_ticks, 3);
  EXPECT_EQ(slow_ticks, 1);
}

// Destroying a running timer leaves no record, even when the kill fails, so the surviving
// platform timer's expiries reach nothing; a handler may release its own timer.
TEST_F(KestStdTimerTest, DestroyedTimerLeavesNoRecord) {
  int ticks = 0;
  auto timer = KestStdTimer::Create();
  timer->Timer([&] { ++ticks; });
  ASSERT_TRUE(timer->StartTimer());
  const platform::TimerId leaked = timer->Identifier();
  platform::FailNextKillTimer();
  timer.reset();
  EXPECT_EQ(Records(), records);
  platform::PumpFor(milliseconds(3000));
  EXPECT_EQ(ticks, 0);
  platform::KillTimer(leaked);

  timer = KestStdTimer::Create();
  timer->Timer([&] {
    ++ticks;
    timer.reset();
  });
  ASSERT_TRUE(timer->StartTimer());
  platform::PumpFor(milliseconds(3000));
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(Records(), records);
  EXPECT_EQ(platform::ActiveTimers(), active);
}

// A failing handler is contained in TimerProc and reported to the hook, or traced on
// stderr without one; the timer goes on ticking.
TEST_F(KestStdTimerTest, HandlerFailureIsContained) {
  auto timer = KestStdTimer::Create();
  int ticks = 0;
  timer->Timer([&] {
    if (++ticks == 1) throw AutomationError(errc::kAccessDenied, u"refresh failed");
    throw std::runtime_error("plain failure");
  });
  timer->Interval(100);
  ASSERT_TRUE(timer->StartTimer());
  EXPECT_NO_THROW(platform::PumpFor(milliseconds(200)));
  ASSERT_EQ(contained.size(), 2u);
  EXPECT_NE(contained[0].find(u"refresh failed"), std::u16string::npos);
  EXPECT_NE(contained[1].find(u"plain failure"), std::u16string::npos);
  SetHandlerFailureHook(nullptr);
  ticks = 0;
  ::testing::internal::CaptureStderr();
  platform::PumpFor(milliseconds(100));
  const std::string trace = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(trace.find("refresh failed (0x80070005)"), std::string::npos) << trace;
}

}  // namespace
}  // namespace moxtrel
