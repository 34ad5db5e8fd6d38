// AutomationError: the one exception type that reaches a client, carrying a status code and a
// description that names what failed.
//
//   throw AutomationError(errc::kTypeMismatch, u"Item: an index must be a number or a string");
//
// Codes are 32-bit status values (see error_codes.h). Provider failures keep the provider's
// own code so a script can tell "not found" from "access denied".
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace moxtrel {

// Told when the object model traps an error that a provider call raised; the journal layer
// marks its entry for that call with the trapping member.
class TrapWitness {
 public:
  virtual ~TrapWitness() = default;
  virtual void Trapped(std::u16string_view member) noexcept = 0;
};

class AutomationError : public std::runtime_error {
 public:
  AutomationError(int32_t code, std::u16string description);
  AutomationError(uint32_t code, std::u16string description)
      : AutomationError(static_cast<int32_t>(code), std::move(description)) {}
  // A new description for an error caught on its way out: the code and the provider call it
  // names (with its witness) stay, so a trap still names and marks the call that failed.
  AutomationError(const AutomationError& cause, std::u16string description);

  int32_t code() const noexcept { return code_; }
  const std::u16string& description() const noexcept { return description_; }

  // The provider call that raised the error as a journal shows it
  // ("IADsUser.FullName WinNT://CORP/alice"), and its "Interface.member"; empty unless a
  // JournalLayer passed the call on. The innermost layer names it; an outer one (a trace
  // around an audited backend) adds only its witness, which tells the one before it in turn.
  std::u16string_view call() const noexcept;
  std::u16string_view call_member() const noexcept;
  TrapWitness* witness() const noexcept;
  std::shared_ptr<TrapWitness> shared_witness() const noexcept;
  void SetCall(std::u16string call, std::u16string call_member,
               std::shared_ptr<TrapWitness> witness);

 private:
  struct ProviderCall {
    std::u16string text;
    std::u16string member;
    std::shared_ptr<TrapWitness> witness;
  };
  int32_t code_;
  std::u16string description_;
  std::shared_ptr<const ProviderCall> call_;  // shared: the error is copied as it is thrown
};

// "0x80070057": how codes are shown to people.
std::string FormatCode(int32_t code);

}  // namespace moxtrel
