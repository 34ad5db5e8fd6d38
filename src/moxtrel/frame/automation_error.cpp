#include "moxtrel/frame/automation_error.h"

#include "moxtrel/frame/text.h"

namespace moxtrel {

AutomationError::AutomationError(int32_t code, std::u16string description)
    : std::runtime_error(ToUtf8(description) + " (" + FormatCode(code) + ")"),
      code_(code),
      description_(std::move(description)) {}

AutomationError::AutomationError(const AutomationError& cause, std::u16string description)
    : AutomationError(cause.code_, std::move(description)) {
  call_ = cause.call_;
}

std::u16string_view AutomationError::call() const noexcept {
  return call_ ? std::u16string_view(call_->text) : std::u16string_view();
}

std::u16string_view AutomationError::call_member() const noexcept {
  return call_ ? std::u16string_view(call_->member) : std::u16string_view();
}

TrapWitness* AutomationError::witness() const noexcept {
  return call_ ? call_->witness.get() : nullptr;
}

std::shared_ptr<TrapWitness> AutomationError::shared_witness() const noexcept {
  return call_ ? call_->witness : nullptr;
}

void AutomationError::SetCall(std::u16string call, std::u16string call_member,
                              std::shared_ptr<TrapWitness> witness) {
  if (call_) {
    // The innermost layer's name stays; the outer layer's witness tells the inner one's.
    call_ = std::make_shared<const ProviderCall>(
        ProviderCall{call_->text, call_->member, std::move(witness)});
    return;
  }
  call_ = std::make_shared<const ProviderCall>(
      ProviderCall{std::move(call), std::move(call_member), std::move(witness)});
}

std::string FormatCode(int32_t code) {
  return ToUtf8(HexText(static_cast<uint32_t>(code), 8, /*prefixed=*/true));
}

}  // namespace moxtrel
