// AutomationError: the one exception type that reaches a client, carrying a status code and a
// description that names what failed.
//
//   throw AutomationError(errc::kTypeMismatch, u"Item: an index must be a number or a string");
//
// Codes are 32-bit status values (see error_codes.h). Provider failures keep the provider's
// own code so a script can tell "not found" from "access denied".
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace moxtrel {

class AutomationError : public std::runtime_error {
 public:
  AutomationError(int32_t code, std::u16string description);
  AutomationError(uint32_t code, std::u16string description)
      : AutomationError(static_cast<int32_t>(code), std::move(description)) {}

  int32_t code() const noexcept { return code_; }
  const std::u16string& description() const noexcept { return description_; }

 private:
  int32_t code_;
  std::u16string description_;
};

// "0x80070057": how codes are shown to people.
std::string FormatCode(int32_t code);

}  // namespace moxtrel
