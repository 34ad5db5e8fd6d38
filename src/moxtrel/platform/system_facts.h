// SystemFacts: what the operating system says about the computer and user the process runs
// under. The current environment and the local computer name read it; tests install a fake.
//
//   auto facts = platform::CurrentSystemFacts();      // the Linux facts unless replaced
//   std::u16string host = facts->ComputerName();
//   platform::SetCurrentSystemFacts(platform::FakeSystemFacts::Create());
//   platform::SetCurrentSystemFacts(nullptr);          // back to the Linux facts
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace moxtrel::platform {

class SystemFacts {
 public:
  virtual ~SystemFacts() = default;

  // The local computer's name; empty when the system cannot say.
  virtual std::u16string ComputerName() = 0;
  // The login name of the user the process runs as; empty when the system cannot say.
  virtual std::u16string UserName() = 0;
  // The domain controller of the computer's primary domain, with its two leading backslashes
  // ("\\DC1"); nothing when the computer belongs to no domain.
  virtual std::optional<std::u16string> DomainController() = 0;
  // The privilege recorded for `user` by `server` (empty: this computer): 0 guest, 1 user,
  // 2 admin; other values pass through. Throws AutomationError when the account cannot be read.
  virtual int32_t AccountPrivilege(std::u16string_view server, std::u16string_view user) = 0;
};

// The facts the library reads; the Linux facts until SetCurrentSystemFacts replaces them.
std::shared_ptr<SystemFacts> CurrentSystemFacts();
// Installs `facts`; nullptr goes back to the Linux facts.
void SetCurrentSystemFacts(std::shared_ptr<SystemFacts> facts);

}  // namespace moxtrel::platform
