#include <gtest/gtest.h>

#include <sstream>

#include "moxtrel/platform/thread_timers.h"
#include "prompt/repl.h"
#include "script/interpreter.h"
#include "script/interrupt.h"
#include "script/parser.h"
#include "script/pump.h"

namespace moxtrel::script {
namespace {

// Runs `text` with a pump that presses Ctrl-C; the line where the run stopped, 0 when it ran
// to the end.
int StoppedAt(const std::string& text, std::string* printed = nullptr) {
  std::ostringstream out;
  Interpreter interpreter(
      {.out = &out, .directory = nullptr, .pump = [](int32_t) { RequestInterrupt(); }});
  int line = 0;
  try {
    interpreter.Run(Parse(text, "t.mox"));
  } catch (const ScriptInterrupted& e) {
    line = e.line();
  }
  ClearInterrupt();
  if (printed) *printed = out.str();
  return line;
}

// Ctrl-C stops the statement that waited, inside a loop or a procedure, and is no error that
// On Error Resume Next could swallow; Pump as the last statement stops too.
TEST(InterruptTest, StopsAtTheNextStatement) {
  std::string printed;
  EXPECT_EQ(
      StoppedAt("i = 0\nDo\n  i = i + 1\n  If i = 3 Then Pump 1\n  Print i\nLoop\n", &printed), 4);
  EXPECT_EQ(printed, "1\n2\n");
  EXPECT_EQ(StoppedAt("On Error Resume Next\nFor i = 1 To 10\n  Pump 1\nNext\nPrint \"after\"\n",
                      &printed),
            3);
  EXPECT_EQ(printed, "");
  EXPECT_EQ(StoppedAt("Sub Wait\n  Pump 1\nEnd Sub\nPrint \"a\"\nWait\nPrint \"b\"\n", &printed),
            2);
  EXPECT_EQ(printed, "a\n");
  EXPECT_EQ(StoppedAt("Print 1\nPump 1\n"), 2);
  EXPECT_EQ(StoppedAt("Print 1\n"), 0);  // nothing pressed, nothing stopped
}

// The platform pump stops waiting once Ctrl-C was pressed, and pumps in full otherwise. On a
// stopped clock it fires exactly the timers a single long pump fires.
TEST(InterruptTest, PumpEndsEarly) {
  platform::ManualTime time;
  int ticks = 0;
  const platform::TimerId id = platform::SetTimer(100, [&](platform::TimerId) {
    if (++ticks == 3) RequestInterrupt();
  });
  ASSERT_NE(id, 0);
  PumpMessages(1000);
  EXPECT_EQ(ticks, 3);
  ClearInterrupt();
  ticks = 10;
  PumpMessages(1050);
  EXPECT_EQ(ticks, 20);
  RequestInterrupt();
  PumpMessages(1000);
  EXPECT_EQ(ticks, 20);
  ClearInterrupt();
  platform::KillTimer(id);
}

// At the prompt an interrupted line says where it stopped, and the session goes on; the next
// line runs normally.
TEST(InterruptTest, PromptReportsAndGoesOn) {
  std::ostringstream out, err;
  Interpreter interpreter(
      {.out = &out, .directory = nullptr, .pump = [](int32_t) { RequestInterrupt(); }});
  ReplSession session(interpreter, out, err);
  EXPECT_TRUE(session.Feed("For i = 1 To 5 : Print i : Pump 1 : Next"));
  EXPECT_EQ(out.str(), "1\n");
  EXPECT_EQ(err.str(), "interrupted (Ctrl-C): stopped at line 1 of <input 1>\n");
  EXPECT_FALSE(InterruptRequested());
  out.str("");
  EXPECT_TRUE(session.Feed("Print i * 10"));
  EXPECT_EQ(out.str(), "10\n");
  EXPECT_FALSE(session.Feed("If True Then"));
  session.Cancel();
  err.str("");
  session.End();
  EXPECT_EQ(err.str(), "");  // the cancelled block is gone
}

}  // namespace
}  // namespace moxtrel::script
