#include "moxtrel/platform/thread_timers.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace moxtrel::platform {
namespace {

using std::chrono::milliseconds;

// Every test runs on a stopped clock and kills what it set, so tests do not see each other.
class ThreadTimersTest : public ::testing::Test {
 protected:
  ~ThreadTimersTest() override {
    for (TimerId id : set_) KillTimer(id);
  }
  TimerId Set(int32_t interval, TimerCallback callback) {
    const TimerId id = SetTimer(interval, std::move(callback));
    if (id != 0) set_.push_back(id);
    return id;
  }

  ManualTime time_;
  std::vector<TimerId> set_;
};

// Bad arguments and injected failures give 0 or false; identifiers are distinct, killable
// once, counted, and belong to their thread only.
TEST_F(ThreadTimersTest, SetAndKillFollowTheirContract) {
  const std::size_t before = ActiveTimers();
  const TimerCalls calls = CallCounts();
  EXPECT_EQ(SetTimer(0, [](TimerId) {}), 0);
  EXPECT_EQ(SetTimer(100, nullptr), 0);
  FailNextSetTimer();
  EXPECT_EQ(SetTimer(100, [](TimerId) {}), 0);
  const TimerId a = Set(100, [](TimerId) {});
  const TimerId b = Set(100, [](TimerId) {});
  ASSERT_NE(a, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(ActiveTimers(), before + 2);
  FailNextKillTimer();
  EXPECT_FALSE(KillTimer(a));
  EXPECT_TRUE(KillTimer(a));
  EXPECT_FALSE(KillTimer(a));
  EXPECT_EQ(CallCounts().set - calls.set, 5u);
  EXPECT_EQ(CallCounts().kill - calls.kill, 3u);
  std::thread([] { EXPECT_NE(SetTimer(100, [](TimerId) {}), 0); }).join();
  EXPECT_EQ(ActiveTimers(), before + 1);
}

// Ticks come only from pumping, once per elapsed interval, in the order timers fall due
// (equal times in the order they were set).
TEST_F(ThreadTimersTest, TicksArriveInDueOrderOnlyWhilePumping) {
  std::vector<char> order;
  Set(300, [&](TimerId) { order.push_back('A'); });
  Set(200, [&](TimerId) { order.push_back('B'); });
  EXPECT_EQ(PumpOnce(), 0u);
  EXPECT_EQ(PumpFor(milliseconds(199)), 0u);
  EXPECT_EQ(PumpFor(milliseconds(401)), 5u);
  EXPECT_EQ(order, (std::vector<char>{'B', 'A', 'B', 'A', 'B'}));
}

// A callback may kill its own timer or another due one; a throwing callback reaches the
// pump's caller and its timer keeps its schedule.
TEST_F(ThreadTimersTest, CallbacksMayKillTimersOrThrow) {
  int self_count = 0, victim_count = 0, thrower_count = 0;
  TimerId victim = 0;
  Set(100, [&](TimerId me) {
    ++self_count;
    KillTimer(me);
    KillTimer(victim);
  });
  victim = Set(100, [&](TimerId) { ++victim_count; });
  Set(150, [&](TimerId) {
    if (++thrower_count == 1) throw std::runtime_error("first tick fails");
  });
  EXPECT_THROW(PumpFor(milliseconds(200)), std::runtime_error);
  PumpFor(milliseconds(150));
  EXPECT_EQ(self_count, 1);
  EXPECT_EQ(victim_count, 0);
  EXPECT_EQ(thrower_count, 2);
}

// PumpUntil stops as soon as the condition holds, and gives up at the timeout.
TEST_F(ThreadTimersTest, PumpUntilStopsAtConditionOrTimeout) {
  int ticks = 0;
  Set(100, [&](TimerId) { ++ticks; });
  EXPECT_TRUE(PumpUntil([&] { return ticks == 3; }, milliseconds(10000)));
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(PumpUntil([&] { return ticks == 100; }, milliseconds(250)));
  EXPECT_EQ(ticks, 5);
}

// A callback that blocks past the end of a pump is the last one to start in it; the timer it
// held up runs at the next pump, and the clock shows what the pump really took.
TEST_F(ThreadTimersTest, ABlockedCallbackIsTheLastToStart) {
  std::vector<char> order;
  for (char name : {'A', 'B'}) {
    Set(1000, [&, name](TimerId) {
      order.push_back(name);
      time_.Advance(milliseconds(300));  // a call that waits for its timeout
    });
  }
  const auto start = Now();
  EXPECT_EQ(PumpFor(milliseconds(1000)), 1u);
  EXPECT_EQ(Now() - start, milliseconds(1300));
  EXPECT_EQ(order, std::vector<char>{'A'});
  EXPECT_EQ(PumpOnce(), 1u);
  EXPECT_EQ(order, (std::vector<char>{'A', 'B'}));
}

// The descriptor for a client's own loop exists and is quiet while nothing is due.
TEST_F(ThreadTimersTest, QueueFdIsQuietWhileNothingIsDue) {
  Set(100000, [](TimerId) {});
  pollfd pfd{QueueFd(), POLLIN, 0};
  ASSERT_GE(pfd.fd, 0);
  EXPECT_EQ(::poll(&pfd, 1, 0), 0);
}

}  // namespace
}  // namespace moxtrel::platform
