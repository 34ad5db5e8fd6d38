#include "moxtrel/printing/mod_timer.h"

#include "moxtrel/frame/handler_failure.h"
#include "moxtrel/printing/kest_std_timer.h"

namespace moxtrel::modTimer {
namespace {

struct ThreadState {
  std::vector<clsTim> timers;
  ~ThreadState();
};

// Timers destroyed during thread teardown still look for the registry; once it is gone
// they find none.
thread_local bool state_gone = false;
thread_local ThreadState state;

ThreadState::~ThreadState() {
  state_gone = true;
}

ThreadState* State() noexcept {
  return state_gone ? nullptr : &state;
}

}  // namespace

std::vector<clsTim>* Registry() noexcept {
  ThreadState* s = State();
  return s ? &s->timers : nullptr;
}

std::vector<clsTim> colTimers() {
  ThreadState* s = State();
  return s ? s->timers : std::vector<clsTim>{};
}

void TimerProc(platform::TimerId identifier) noexcept {
  std::vector<clsTim>* registry = Registry();
  if (!registry) return;
  const std::size_t count = registry->size();
  for (std::size_t i = 0; i < count && i < registry->size(); ++i) {
    if ((*registry)[i].ID != identifier) continue;
    // Held for the call, so the handler may drop every other reference to the timer.
    std::shared_ptr<KestStdTimer> timer = (*registry)[i].Mem.lock();
    if (!timer) {
      registry->erase(registry->begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
    try {
      timer->RaiseTimer();
    } catch (...) {
      ReportHandlerFailure(u"The Timer handler");
    }
    return;
  }
}

}  // namespace moxtrel::modTimer
