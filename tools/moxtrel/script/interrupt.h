// Ctrl-C for the script host: a SIGINT handler that only sets a flag, which the interpreter
// reads at every statement and loop round and Pump reads while it waits.
//
//   InterruptHandler sigint;               // installed for this scope
//   try { interpreter.Run(program); } catch (const ScriptInterrupted& e) { ... e.line() ... }
//   ClearInterrupt();                      // the prompt takes the next line
#pragma once

#include <atomic>
#include <csignal>
#include <stdexcept>

namespace moxtrel::script {

// Exit status of a script run stopped by Ctrl-C, as shells report a SIGINT death.
inline constexpr int kExitInterrupted = 130;

// A run stopped by Ctrl-C. It is no script error: On Error Resume Next does not trap it.
class ScriptInterrupted : public std::runtime_error {
 public:
  ScriptInterrupted() : std::runtime_error("interrupted") {}
  // The line of the statement that was running; 0 until a statement claims it.
  int line() const noexcept { return line_; }
  void set_line(int line) noexcept { line_ = line; }

 private:
  int line_ = 0;
};

namespace detail {
extern std::atomic<bool> interrupted;  // lock-free, so a signal handler may set it
[[noreturn]] void ThrowInterrupted();
}  // namespace detail

// Read at every statement, so inline and relaxed: the flag orders nothing else.
inline bool InterruptRequested() noexcept {
  return detail::interrupted.load(std::memory_order_relaxed);
}
// What the handler does; tests and hosts without signals call it directly.
void RequestInterrupt() noexcept;
void ClearInterrupt() noexcept;
// Throws ScriptInterrupted once Ctrl-C was pressed.
inline void CheckInterrupt() {
  if (InterruptRequested()) [[unlikely]]
    detail::ThrowInterrupted();
}

// Installs the SIGINT handler for its lifetime and puts the previous one back after. Slow
// system calls are not restarted, so a wait (Pump) wakes up to see the flag.
class InterruptHandler {
 public:
  InterruptHandler();
  ~InterruptHandler();
  InterruptHandler(const InterruptHandler&) = delete;
  InterruptHandler& operator=(const InterruptHandler&) = delete;

 private:
  struct sigaction previous_ {};
  bool installed_ = false;
};

}  // namespace moxtrel::script
