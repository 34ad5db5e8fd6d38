#include "moxtrel/frame/automation_error.h"

#include "moxtrel/frame/text.h"

namespace moxtrel {

AutomationError::AutomationError(int32_t code, std::u16string description)
    : std::runtime_error(ToUtf8(description) + " (" + FormatCode(code) + ")"),
      code_(code),
      description_(std::move(description)) {}

std::string FormatCode(int32_t code) {
  return ToUtf8(HexText(static_cast<uint32_t>(code), 8, /*prefixed=*/true));
}

}  // namespace moxtrel
