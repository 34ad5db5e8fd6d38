// moxCurrentEnvironment: the computer, domain controller, user and privilege level of the
// process, asked of the system on first use and then kept by the object. Also the global
// application object.
//
//   auto env = moxCurrentEnvironment::Create();
//   std::u16string who = env->CurrentUser();                   // u"alice"
//   if (env->CurrentUserPrivilege() == enmoxUserPrivilege::moxAdminPrivilege) { ... }
#pragma once

#include <memory>
#include <string>

#include "moxtrel/frame/enums.h"
#include "moxtrel/frame/object.h"

namespace moxtrel {

class moxCurrentEnvironment final : public AutomationObject {
 public:
  static std::shared_ptr<moxCurrentEnvironment> Create();

  std::u16string_view TypeName() const noexcept override { return u"moxCurrentEnvironment"; }

  // Asked again while the system gives no name.
  std::u16string CurrentComputer();
  // "\\DC1", or "" when the computer belongs to no domain; asked once.
  std::u16string CurrentDomain();
  // Asked again while the system gives no name.
  std::u16string CurrentUser();
  // Asked once it has been answered; a failed account query raises an error and is asked again
  // on the next read.
  enmoxUserPrivilege CurrentUserPrivilege();

 private:
  moxCurrentEnvironment() = default;

  std::u16string computer_name_;
  std::u16string controller_name_;
  bool controller_known_ = false;
  std::u16string user_name_;
  enmoxUserPrivilege privilege_ = enmoxUserPrivilege::moxGuestPrivilege;
  bool privilege_known_ = false;
};

}  // namespace moxtrel
