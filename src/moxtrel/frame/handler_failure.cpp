#include "moxtrel/frame/handler_failure.h"

#include <exception>
#include <iostream>
#include <string>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel {
namespace {

struct ThreadHook {
  HandlerFailureHook hook;
  ~ThreadHook();
};

// Objects destroyed during thread teardown may still report; once the hook is gone they get
// the line on standard error.
thread_local bool hook_gone = false;
thread_local ThreadHook thread_hook;

ThreadHook::~ThreadHook() {
  hook_gone = true;
}

void Trace(const AutomationError& error) noexcept {
  try {
    std::cerr << "moxtrel: " << ToUtf8(error.description()) << " (" << FormatCode(error.code())
              << ")\n";
  } catch (...) {
  }
}

void Report(const AutomationError& error) noexcept {
  if (hook_gone || !thread_hook.hook) {
    Trace(error);
    return;
  }
  try {
    // A copy: the hook may replace itself.
    HandlerFailureHook hook = thread_hook.hook;
    hook(error);
  } catch (...) {
    Trace(error);
  }
}

}  // namespace

HandlerFailureHook SetHandlerFailureHook(HandlerFailureHook hook) {
  if (hook_gone) return {};
  std::swap(thread_hook.hook, hook);
  return hook;
}

void ReportHandlerFailure(std::u16string_view where) noexcept {
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

}  // namespace moxtrel
