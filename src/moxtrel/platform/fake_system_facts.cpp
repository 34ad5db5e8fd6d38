#include "moxtrel/platform/fake_system_facts.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel::platform {

std::shared_ptr<FakeSystemFacts> FakeSystemFacts::Create() {
  return std::shared_ptr<FakeSystemFacts>(new FakeSystemFacts);
}

void FakeSystemFacts::SetPrivilege(std::u16string user, int32_t privilege) {
  privileges_[std::move(user)] = privilege;
}

void FakeSystemFacts::ForgetAccount(const std::u16string& user) {
  privileges_.erase(user);
}

std::u16string FakeSystemFacts::ComputerName() {
  ++calls_.computer_name;
  return computer_name_;
}

std::u16string FakeSystemFacts::UserName() {
  ++calls_.user_name;
  return user_name_;
}

std::optional<std::u16string> FakeSystemFacts::DomainController() {
  ++calls_.domain_controller;
  return controller_;
}

int32_t FakeSystemFacts::AccountPrivilege(std::u16string_view server, std::u16string_view user) {
  ++calls_.account_privilege;
  privilege_queries_.emplace_back(server, user);
  if (privilege_error_) throw *privilege_error_;
  const auto it = privileges_.find(std::u16string(user));
  if (it == privileges_.end()) {
    throw AutomationError(errc::kNoSuchObject,
                          u"The account \"" + std::u16string(user) + u"\" could not be read");
  }
  return it->second;
}

}  // namespace moxtrel::platform
