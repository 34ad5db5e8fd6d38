// FakeSystemFacts: system facts that tests set, counting every question asked so that tests
// can check what is cached.
//
//   auto facts = platform::FakeSystemFacts::Create();
//   facts->SetComputerName(u"PC1");
//   facts->SetPrivilege(u"alice", 2);
//   platform::SetCurrentSystemFacts(facts);
//   ... facts->Calls().computer_name ...
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/platform/system_facts.h"

namespace moxtrel::platform {

class FakeSystemFacts final : public SystemFacts {
 public:
  static std::shared_ptr<FakeSystemFacts> Create();

  struct CallCounts {
    int computer_name = 0;
    int user_name = 0;
    int domain_controller = 0;
    int account_privilege = 0;
  };

  void SetComputerName(std::u16string name) { computer_name_ = std::move(name); }
  void SetUserName(std::u16string name) { user_name_ = std::move(name); }
  void SetDomainController(std::optional<std::u16string> name) { controller_ = std::move(name); }
  // An account the privilege query finds; any other account makes the query fail.
  void SetPrivilege(std::u16string user, int32_t privilege);
  void ForgetAccount(const std::u16string& user);
  // Every privilege query throws `error` (as a provider call that failed would) until cleared.
  void FailPrivilege(std::optional<AutomationError> error) { privilege_error_ = std::move(error); }

  const CallCounts& Calls() const noexcept { return calls_; }
  // (server, user) of every privilege query, in order.
  const std::vector<std::pair<std::u16string, std::u16string>>& PrivilegeQueries() const noexcept {
    return privilege_queries_;
  }

  std::u16string ComputerName() override;
  std::u16string UserName() override;
  std::optional<std::u16string> DomainController() override;
  int32_t AccountPrivilege(std::u16string_view server, std::u16string_view user) override;

 private:
  FakeSystemFacts() = default;

  std::u16string computer_name_;
  std::u16string user_name_;
  std::optional<std::u16string> controller_;
  std::map<std::u16string, int32_t> privileges_;
  std::optional<AutomationError> privilege_error_;
  CallCounts calls_;
  std::vector<std::pair<std::u16string, std::u16string>> privilege_queries_;
};

}  // namespace moxtrel::platform
