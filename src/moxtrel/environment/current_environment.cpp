#include "moxtrel/environment/current_environment.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/platform/system_facts.h"

namespace moxtrel {

std::shared_ptr<moxCurrentEnvironment> moxCurrentEnvironment::Create() {
  return std::shared_ptr<moxCurrentEnvironment>(new moxCurrentEnvironment);
}

std::u16string moxCurrentEnvironment::CurrentComputer() {
  if (computer_name_.empty()) computer_name_ = platform::CurrentSystemFacts()->ComputerName();
  return computer_name_;
}

std::u16string moxCurrentEnvironment::CurrentDomain() {
  if (controller_known_) return controller_name_;
  const auto controller = platform::CurrentSystemFacts()->DomainController();
  // The system's text ends at its first zero character.
  controller_name_ = controller ? controller->substr(0, controller->find(u'\0')) : u"";
  controller_known_ = true;
  return controller_name_;
}

std::u16string moxCurrentEnvironment::CurrentUser() {
  if (user_name_.empty()) user_name_ = platform::CurrentSystemFacts()->UserName();
  return user_name_;
}

enmoxUserPrivilege moxCurrentEnvironment::CurrentUserPrivilege() {
  if (privilege_known_) return privilege_;
  const std::u16string user = CurrentUser();
  const std::u16string controller = CurrentDomain();
  int32_t recorded = 0;
  try {
    recorded = platform::CurrentSystemFacts()->AccountPrivilege(controller, user);
  } catch (const AutomationError& e) {
    // No record came back, so there is nothing to answer from; the next read asks again.
    throw AutomationError(e, u"CurrentUserPrivilege: the privilege of \"" + user +
                                 u"\" could not be read: " + e.description());
  }
  // A level the object model does not know leaves the earlier answer in place.
  if (recorded >= 0 && recorded <= 2) privilege_ = static_cast<enmoxUserPrivilege>(recorded);
  privilege_known_ = true;
  return privilege_;
}

}  // namespace moxtrel
