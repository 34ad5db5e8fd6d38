// Event: token connect and disconnect, raising over a copy of the handler list, and failures
// of one handler contained and reported while the others still run.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "moxtrel/frame/event.h"
#include "moxtrel/frame/text.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

std::vector<std::u16string>& Reports() {
  static std::vector<std::u16string> reports;
  return reports;
}

void Record(std::u16string_view where) noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    Reports().push_back(std::u16string(where) + u": " + FromUtf8(e.what()));
  } catch (...) {
    Reports().push_back(std::u16string(where));
  }
}

TEST(EventTest, ConnectRaiseDisconnect) {
  Event<int&> changed(u"Thing.Changed", u"A Changed handler", &Record);
  std::vector<std::u16string> seen;
  const EventToken a =
      changed.Connect([&](int& v) { seen.push_back(u"a" + FromUtf8(std::to_string(v++))); });
  const EventToken b =
      changed.Connect([&](int& v) { seen.push_back(u"b" + FromUtf8(std::to_string(v))); });
  EXPECT_NE(a, b);
  int value = 1;
  changed.Raise(value);
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"a1", u"b2"}));
  EXPECT_EQ(value, 2);
  changed.Disconnect(a);
  changed.Disconnect(a);  // a second time is harmless
  changed.Disconnect(EventToken{99});
  seen.clear();
  changed.Raise(value);
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"b2"}));
  changed.Disconnect(b);
  EXPECT_TRUE(changed.Empty());
  EXPECT_EQ(ErrorCodeOf([&] { changed.Connect(nullptr); }), int32_t(errc::kInvalidArg));
}

// Handlers that connect or disconnect while the event is raised change the next raise, not
// this one; a throwing handler is reported and the rest still run.
TEST(EventTest, RaiseWalksACopyAndContainsFailures) {
  Reports().clear();
  Event<> tick(u"Timer.Tick", u"A Tick handler", &Record);
  int first = 0, second = 0, late = 0;
  EventToken second_token;
  tick.Connect([&] {
    ++first;
    tick.Disconnect(second_token);
    tick.Connect([&] { ++late; });
    throw std::runtime_error("first failed");
  });
  second_token = tick.Connect([&] { ++second; });
  EXPECT_NO_THROW(tick.Raise());
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 1);
  EXPECT_EQ(late, 0);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0], u"A Tick handler: first failed");
  tick.Raise();
  EXPECT_EQ(second, 1);
  EXPECT_EQ(late, 1);
  // Without a hook a failure is dropped, never thrown to the raiser.
  Event<> quiet(u"Quiet", u"A handler", nullptr);
  quiet.Connect([] { throw 7; });
  EXPECT_NO_THROW(quiet.Raise());
}

}  // namespace
}  // namespace moxtrel::testing
