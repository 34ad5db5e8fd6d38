#include "moxtrel/frame/trapped_failure.h"

#include <memory>
#include <mutex>
#include <utility>

namespace moxtrel {
namespace {

thread_local std::optional<TrappedFailure> t_last;

std::mutex& HookMutex() {
  static std::mutex mutex;
  return mutex;
}

// Shared so a hook being called survives being replaced meanwhile.
std::shared_ptr<const TrappedFailureHook>& Hook() {
  static std::shared_ptr<const TrappedFailureHook> hook;
  return hook;
}

}  // namespace

void NoteTrapped(std::u16string_view member, const AutomationError& error) noexcept {
  try {
    TrappedFailure failure{.code = error.code(),
                           .source = error.call_member().empty()
                                         ? std::u16string(kLibrarySource)
                                         : std::u16string(error.call_member()),
                           .description = error.description(),
                           .call = std::u16string(error.call()),
                           .member = std::u16string(member)};
    if (auto* witness = error.witness()) witness->Trapped(member);
    std::shared_ptr<const TrappedFailureHook> hook;
    {
      std::lock_guard lock(HookMutex());
      hook = Hook();
    }
    t_last = failure;
    if (hook) (*hook)(failure);  // a copy: the hook may trap a failure of its own
  } catch (...) {
    // The member's result stands whatever the record or a hook does.
  }
}

std::optional<TrappedFailure> LastTrappedFailure() {
  return t_last;
}

void ClearLastTrappedFailure() noexcept {
  t_last.reset();
}

TrappedFailureHook SetTrappedFailureHook(TrappedFailureHook hook) {
  auto next = hook ? std::make_shared<const TrappedFailureHook>(std::move(hook)) : nullptr;
  std::lock_guard lock(HookMutex());
  auto previous = std::exchange(Hook(), std::move(next));
  return previous ? *previous : TrappedFailureHook();
}

}  // namespace moxtrel
