// The child processes the Samba backend runs: output collected, exit codes kept, a hung child
// killed at its time, and a missing program named.
#include <gtest/gtest.h>

#include <chrono>

#include "moxtrel/backends/samba/command_runner.h"
#include "moxtrel/frame/error_codes.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using backends::samba::CommandResult;
using backends::samba::RunCommand;
using namespace std::chrono_literals;

TEST(SambaCommandRunnerTest, RunsCollectsAndBoundsChildren) {
  // Arguments reach the child as they are: nothing is read by a shell.
  const CommandResult echo = RunCommand({"/bin/echo", "a b", "$HOME", "; rm -rf /"}, 5s);
  EXPECT_EQ(echo.exit_code, 0);
  EXPECT_EQ(echo.out, "a b $HOME ; rm -rf /\n");

  const CommandResult both = RunCommand({"/bin/sh", "-c", "echo out; echo err >&2; exit 3"}, 5s);
  EXPECT_EQ(both.exit_code, 3);
  EXPECT_EQ(both.out, "out\n");
  EXPECT_EQ(both.err, "err\n");

  const CommandResult hung = RunCommand({"/bin/sleep", "30"}, 100ms);
  EXPECT_TRUE(hung.timed_out);
  EXPECT_EQ(hung.exit_code, -1);

  EXPECT_EQ(ErrorCodeOf([] { RunCommand({"/nonexistent/net"}, 1s); }),
            static_cast<int32_t>(errc::kFail));
  EXPECT_EQ(ErrorCodeOf([] { RunCommand({}, 1s); }), static_cast<int32_t>(errc::kInvalidArg));
}

}  // namespace
}  // namespace moxtrel::testing
