// Pump keeps its time by the clock, whatever the ticks inside it cost.
#include <gtest/gtest.h>

#include <chrono>

#include "moxtrel/platform/thread_timers.h"
#include "script/pump.h"

namespace moxtrel::script {
namespace {

using std::chrono::milliseconds;

// Ticks whose calls block (a server that does not answer until the call's timeout) use up
// the pump's time instead of adding to it: Pump n returns n ms after it began, or once the
// one tick that was running at that moment has ended. Two watches due at the same moment do
// not add their waits either; the second runs at the next pump.
TEST(PumpTest, KeepsItsTimeWhenTicksBlock) {
  platform::ManualTime time;
  int ticks = 0;
  const platform::TimerId blocking = platform::SetTimer(250, [&](platform::TimerId) {
    ++ticks;
    time.Advance(milliseconds(200));
  });
  ASSERT_NE(blocking, 0);
  auto start = platform::Now();
  PumpMessages(1000);
  EXPECT_GE(platform::Now() - start, milliseconds(1000));
  EXPECT_LE(platform::Now() - start, milliseconds(1000 + 200));
  EXPECT_EQ(ticks, 4);  // at 250, 500, 750 and 1000 ms of the clock's time
  platform::KillTimer(blocking);

  int first = 0, second = 0;
  const platform::TimerId a = platform::SetTimer(1000, [&](platform::TimerId) {
    ++first;
    time.Advance(milliseconds(5000));
  });
  const platform::TimerId b = platform::SetTimer(1000, [&](platform::TimerId) {
    ++second;
    time.Advance(milliseconds(5000));
  });
  start = platform::Now();
  PumpMessages(1000);
  EXPECT_EQ(platform::Now() - start, milliseconds(1000 + 5000));
  EXPECT_EQ(first + second, 1);
  PumpMessages(0);  // Pump 0 still runs what is due
  EXPECT_EQ(first + second, 2);
  platform::KillTimer(a);
  platform::KillTimer(b);
}

// A pump with nothing to run takes exactly its time on the clock.
TEST(PumpTest, TakesItsTimeWithNothingDue) {
  platform::ManualTime time;
  const auto start = platform::Now();
  PumpMessages(1234);
  EXPECT_EQ(platform::Now() - start, milliseconds(1234));
  PumpMessages(0);
  EXPECT_EQ(platform::Now() - start, milliseconds(1234));
}

}  // namespace
}  // namespace moxtrel::script
