// The program at a terminal: each test starts the built moxtrel on a pseudo-terminal and
// types at it, as a user would.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace moxtrel::testing {
namespace {

// Generous: a loaded machine or a sanitizer build is slow to start and to answer.
constexpr auto kDeadline = std::chrono::seconds(20);

class PtyProgram {
 public:
  // Starts moxtrel with `args` and XDG_STATE_HOME set to `state`.
  PtyProgram(const std::vector<std::string>& args, const std::string& state) {
    winsize size{};
    size.ws_row = 40;
    size.ws_col = 100;
    pid_ = forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ == 0) {
      setenv("XDG_STATE_HOME", state.c_str(), 1);
      setenv("HOME", state.c_str(), 1);  // no ~/.editrc of the user running the tests
      setenv("TERM", "xterm", 1);
      unsetenv("MOXTREL_CONFIG");
      std::vector<char*> argv{const_cast<char*>(MOXTREL_HOST)};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(MOXTREL_HOST, argv.data());
      _exit(127);
    }
  }
  ~PtyProgram() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }
  PtyProgram(const PtyProgram&) = delete;
  PtyProgram& operator=(const PtyProgram&) = delete;

  bool started() const { return pid_ > 0 && master_ >= 0; }
  void Type(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }

  // Reads until `text` appears after what earlier waits consumed; false at the deadline.
  bool WaitFor(const std::string& text) {
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    for (;;) {
      if (const size_t at = seen_.find(text, consumed_); at != std::string::npos) {
        consumed_ = at + text.size();
        return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !ReadSome(static_cast<int>(left.count()))) return false;
    }
  }
  // Waits until the line editor has the terminal (no canonical input, no signal keys): keys
  // typed earlier would reach the terminal's own line discipline instead.
  bool WaitEditing() {
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    while (std::chrono::steady_clock::now() < end) {
      termios mode{};
      if (tcgetattr(master_, &mode) == 0 && !(mode.c_lflag & ICANON) && !(mode.c_lflag & ISIG)) {
        return true;
      }
      ReadSome(10);
    }
    return false;
  }
  // The exit status once the program ends; -1 at the deadline.
  int WaitExit() {
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      const pid_t r = waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      ReadSome(50);  // keep the terminal drained so the program never blocks on output
    }
    return -1;
  }
  // Everything the terminal showed since the start.
  const std::string& transcript() const { return seen_; }
  std::string Unconsumed() const { return seen_.substr(consumed_); }

 private:
  bool ReadSome(int timeout_ms) {
    pollfd pfd{master_, POLLIN, 0};
    if (poll(&pfd, 1, timeout_ms) <= 0)
      return timeout_ms > 0 && !(pfd.revents & (POLLHUP | POLLERR));
    char buf[4096];
    const ssize_t n = read(master_, buf, sizeof buf);
    if (n <= 0) return false;  // the program closed the terminal
    seen_.append(buf, static_cast<size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int master_ = -1;
  bool reaped_ = false;
  std::string seen_;
  size_t consumed_ = 0;
};

class PromptPtyTest : public ::testing::Test {
 protected:
  PromptPtyTest() {
    state = std::filesystem::path(::testing::TempDir()) /
            ("moxtrel-pty-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(state);
    std::filesystem::create_directories(state);
  }
  ~PromptPtyTest() override { std::filesystem::remove_all(state); }

  std::filesystem::path state;
};

// Waits for the prompt `text` and for the editor to take keys. Every key but a Ctrl-C meant
// for a running statement waits for it: the terminal drops an end of input (Ctrl-D) typed
// while the editor switches it over.
#define EXPECT_PROMPT(program, text) \
  EXPECT_SHOWS(program, text);       \
  ASSERT_TRUE((program).WaitEditing()) << (program).transcript()

#define EXPECT_SHOWS(program, text)                                            \
  ASSERT_TRUE((program).WaitFor(text)) << "waiting for " << (text) << " in:\n" \
                                       << (program).transcript()

// Ctrl-C drops the line being typed, and an open block with it, and a fresh prompt follows.
TEST_F(PromptPtyTest, CtrlCCancelsTheLine) {
  PtyProgram p({}, state.string());
  ASSERT_TRUE(p.started());
  EXPECT_PROMPT(p, "mox> ");
  p.Type("Print 1000+2345");
  EXPECT_SHOWS(p, "2345");
  p.Type("\x03");
  EXPECT_SHOWS(p, "^C");
  EXPECT_PROMPT(p, "mox> ");
  p.Type("If True Then\r");
  EXPECT_PROMPT(p, "...> ");
  p.Type("\x03");
  EXPECT_PROMPT(p, "mox> ");
  p.Type("Print 40+2\r");
  EXPECT_SHOWS(p, "42");
  EXPECT_PROMPT(p, "mox> ");
  p.Type("\x04");
  EXPECT_EQ(p.WaitExit(), 0);
  EXPECT_EQ(p.transcript().find("3345"), std::string::npos) << p.transcript();
  EXPECT_EQ(p.transcript().find("expected"), std::string::npos) << p.transcript();
}

// Ctrl-C while a statement runs, a loop or a Pump, stops it and brings the prompt back.
TEST_F(PromptPtyTest, CtrlCInterruptsARunningStatement) {
  PtyProgram p({}, state.string());
  ASSERT_TRUE(p.started());
  EXPECT_PROMPT(p, "mox> ");
  p.Type("n = 0\r");
  EXPECT_PROMPT(p, "mox> ");
  p.Type("Do\r");
  EXPECT_PROMPT(p, "...> ");
  p.Type("n = n + 1\r");
  EXPECT_PROMPT(p, "...> ");
  p.Type("If n = 1000 Then Print \"run\" & \"ning\"\r");
  EXPECT_PROMPT(p, "...> ");
  p.Type("Loop\r");
  EXPECT_SHOWS(p, "running");
  p.Type("\x03");
  EXPECT_SHOWS(p, "interrupted (Ctrl-C): stopped at line ");
  EXPECT_PROMPT(p, "mox> ");
  p.Type("Print \"pump\" & \"ing\" : Pump 600000\r");
  EXPECT_SHOWS(p, "pumping");
  p.Type("\x03");
  EXPECT_SHOWS(p, "interrupted (Ctrl-C): stopped at line 1 of <input 3>");
  EXPECT_PROMPT(p, "mox> ");
  p.Type("? n >= 1000\r");  // the loop ran until it was stopped, and n kept its value
  EXPECT_SHOWS(p, "True");
  EXPECT_PROMPT(p, "mox> ");
  p.Type("exit\r");
  EXPECT_EQ(p.WaitExit(), 0);
}

// Tab completes a member of the object a variable holds, and a class in CreateObject(".
TEST_F(PromptPtyTest, TabCompletesMembersAndClasses) {
  PtyProgram p({}, state.string());
  ASSERT_TRUE(p.started());
  EXPECT_PROMPT(p, "mox> ");
  p.Type("Set v = CreateObject(\"moxUs\t");
  EXPECT_SHOWS(p, "er");
  p.Type("\")\r");
  EXPECT_PROMPT(p, "mox> ");
  p.Type("? TypeName(v)\r");
  EXPECT_SHOWS(p, "moxUser\r\n");
  EXPECT_PROMPT(p, "mox> ");
  p.Type("? Len(v.FullN\t) + 999+1\r");
  EXPECT_SHOWS(p, "1000\r\n");
  EXPECT_PROMPT(p, "mox> ");
  p.Type("exit\r");
  EXPECT_EQ(p.WaitExit(), 0);
}

// What one session typed, the next one finds again with the history keys.
TEST_F(PromptPtyTest, HistoryLastsAcrossSessions) {
  {
    PtyProgram first({}, state.string());
    ASSERT_TRUE(first.started());
    EXPECT_PROMPT(first, "mox> ");
    first.Type("Print 111+222\r");
    EXPECT_SHOWS(first, "333");
    EXPECT_PROMPT(first, "mox> ");
    first.Type("\x04");
    ASSERT_EQ(first.WaitExit(), 0);
  }
  std::ifstream file(state / "moxtrel" / "history");
  std::stringstream saved;
  saved << file.rdbuf();
  EXPECT_NE(saved.str().find("111+222"), std::string::npos) << saved.str();
  PtyProgram second({}, state.string());
  ASSERT_TRUE(second.started());
  EXPECT_PROMPT(second, "mox> ");
  second.Type("\x10");  // Ctrl-P: the previous line
  EXPECT_SHOWS(second, "111+222");
  second.Type("\r");
  EXPECT_SHOWS(second, "333");
  EXPECT_PROMPT(second, "mox> ");
  second.Type("exit\r");
  EXPECT_EQ(second.WaitExit(), 0);
}

// End of input inside an open block says the block was dropped.
TEST_F(PromptPtyTest, CtrlDInsideABlockReportsIt) {
  PtyProgram p({}, state.string());
  ASSERT_TRUE(p.started());
  EXPECT_PROMPT(p, "mox> ");
  p.Type("For i = 1 To 2\r");
  EXPECT_PROMPT(p, "...> ");
  p.Type("\x04");
  EXPECT_SHOWS(p, "the block was dropped, not run");
  EXPECT_EQ(p.WaitExit(), 0);
}

// Ctrl-C stops a script run: it says where and ends with 130, as a shell reports SIGINT.
TEST_F(PromptPtyTest, CtrlCStopsAScriptWith130) {
  const auto script = state / "spin.mox";
  std::ofstream(script) << "n = 0\nDo\n  n = n + 1\n  If n = 1000 Then Print \"spinning\"\nLoop\n";
  PtyProgram p({script.string()}, state.string());
  ASSERT_TRUE(p.started());
  EXPECT_SHOWS(p, "spinning");
  p.Type("\x03");
  EXPECT_SHOWS(p, "spin.mox stopped at line ");
  ASSERT_TRUE(p.WaitFor("\n"));
  EXPECT_NE(std::string("234").find(p.transcript()[p.transcript().rfind("line ") + 5]),
            std::string::npos)
      << p.transcript();
  EXPECT_EQ(p.WaitExit(), 130) << p.transcript();
}

}  // namespace
}  // namespace moxtrel::testing
