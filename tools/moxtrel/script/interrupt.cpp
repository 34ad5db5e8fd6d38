#include "interrupt.h"

namespace moxtrel::script {

namespace detail {
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void ThrowInterrupted() {
  throw ScriptInterrupted();
}
}  // namespace detail

namespace {

extern "C" void OnSigint(int) {
  detail::interrupted.store(true, std::memory_order_relaxed);
}

}  // namespace

void RequestInterrupt() noexcept {
  detail::interrupted.store(true, std::memory_order_relaxed);
}

void ClearInterrupt() noexcept {
  detail::interrupted.store(false, std::memory_order_relaxed);
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
