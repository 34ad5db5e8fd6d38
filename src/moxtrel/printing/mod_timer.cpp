#include "moxtrel/printing/mod_timer.h"

#include <exception>
#include <iostream>
#include <string>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/printing/kest_std_timer.h"

namespace moxtrel::modTimer {
namespace {

struct ThreadState {
  std::vector<clsTim> timers;
  ErrorHook hook;
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

void Trace(const AutomationError& error) noexcept {
  try {
    std::cerr << "moxtrel: " << ToUtf8(error.description()) << " (" << FormatCode(error.code())
              << ")\n";
  } catch (...) {
  }
}

void Report(const AutomationError& error) noexcept {
  ThreadState* s = State();
  if (!s || !s->hook) {
    Trace(error);
    return;
  }
  try {
    // A copy: the hook may replace itself.
    ErrorHook hook = s->hook;
    hook(error);
  } catch (...) {
    Trace(error);
  }
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

ErrorHook SetErrorHook(ErrorHook hook) {
  ThreadState* s = State();
  if (!s) return {};
  std::swap(s->hook, hook);
  return hook;
}

void ReportCurrentException(std::u16string_view where) noexcept {
  try {
    try {
      throw;
    } catch (const AutomationError& e) {
      Report(AutomationError(e.code(), std::u16string(where) + u": " + e.description()));
    } catch (const std::exception& e) {
      Report(AutomationError(errc::kFail, std::u16string(where) + u": " + FromUtf8(e.what())));
    } catch (...) {
      Report(AutomationError(errc::kFail, std::u16string(where) + u": an unknown failure"));
    }
  } catch (...) {
    // Building the report failed (out of memory); nothing more can be done.
  }
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
      ReportCurrentException(u"The Timer handler");
    }
    return;
  }
}

}  // namespace moxtrel::modTimer
