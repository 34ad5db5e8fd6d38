#include "interrupt.h"

#include <atomic>

namespace moxtrel::script {
namespace {

// Lock-free, so the handler may set it.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnSigint(int) {
  g_interrupted.store(true, std::memory_order_relaxed);
}

}  // namespace

bool InterruptRequested() noexcept {
  return g_interrupted.load(std::memory_order_relaxed);
}

void RequestInterrupt() noexcept {
  g_interrupted.store(true, std::memory_order_relaxed);
}

void ClearInterrupt() noexcept {
  g_interrupted.store(false, std::memory_order_relaxed);
}

void CheckInterrupt() {
  if (InterruptRequested()) throw ScriptInterrupted();
}

InterruptHandler::InterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnSigint;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a poll or sleep returns early
  installed_ = sigaction(SIGINT, &action, &previous_) == 0;
}

InterruptHandler::~InterruptHandler() {
  if (installed_) sigaction(SIGINT, &previous_, nullptr);
}

}  // namespace moxtrel::script
