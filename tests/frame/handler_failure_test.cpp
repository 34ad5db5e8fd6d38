// The hook for failing event handlers: per thread, replaced and restored, and never letting a
// failure (its own included) escape the raiser.
#include "moxtrel/frame/handler_failure.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/event.h"

namespace moxtrel::testing {
namespace {

struct Seen {
  std::vector<std::u16string> text;
  std::vector<int32_t> codes;
};

HandlerFailureHook Recorder(Seen& seen) {
  return [&seen](const AutomationError& e) {
    seen.text.push_back(e.description());
    seen.codes.push_back(e.code());
  };
}

TEST(HandlerFailureTest, ReportsGoToThisThreadsHookOrStandardError) {
  Seen seen;
  const HandlerFailureHook before = SetHandlerFailureHook(Recorder(seen));
  Event<> tick(u"Thing.Tick", u"A Tick handler", &ReportHandlerFailure);
  int step = 0;
  tick.Connect([&] {
    switch (++step) {
      case 1:
        throw AutomationError(errc::kAccessDenied, u"refused");
      case 2:
        throw std::runtime_error("plain");
      default:
        throw 7;
    }
  });
  for (int i = 0; i < 3; ++i) EXPECT_NO_THROW(tick.Raise());
  EXPECT_EQ(seen.text,
            (std::vector<std::u16string>{u"A Tick handler: refused", u"A Tick handler: plain",
                                         u"A Tick handler: an unknown failure"}));
  EXPECT_EQ(seen.codes, (std::vector<int32_t>{int32_t(errc::kAccessDenied), int32_t(errc::kFail),
                                              int32_t(errc::kFail)}));

  // Another thread has its own hook: none, so its report is a line on standard error.
  ::testing::internal::CaptureStderr();
  std::thread([&] {
    try {
      throw AutomationError(errc::kAccessDenied, u"elsewhere");
    } catch (...) {
      ReportHandlerFailure(u"A Tick handler");
    }
  }).join();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "moxtrel: A Tick handler: elsewhere (0x80070005)\n");
  EXPECT_EQ(seen.text.size(), 3u);

  // A hook that throws gets the line instead; one that replaces itself finishes its call.
  SetHandlerFailureHook([](const AutomationError&) { throw std::runtime_error("hook broke"); });
  ::testing::internal::CaptureStderr();
  step = 0;
  tick.Raise();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "moxtrel: A Tick handler: refused (0x80070005)\n");
  SetHandlerFailureHook([&](const AutomationError& e) {
    SetHandlerFailureHook(Recorder(seen));
    seen.text.push_back(u"first: " + e.description());
  });
  tick.Raise();
  tick.Raise();
  EXPECT_EQ(seen.text.back(), u"A Tick handler: an unknown failure");
  EXPECT_EQ(seen.text[seen.text.size() - 2], u"first: A Tick handler: plain");

  // Restoring the one replaced gives back the stderr line when there was none.
  SetHandlerFailureHook(before);
}

}  // namespace
}  // namespace moxtrel::testing
