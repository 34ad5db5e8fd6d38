// _moxCurrentEnvironment in slot order; also the global application object.
#include "moxtrel/environment/class_bindings.h"
#include "moxtrel/environment/current_environment.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxCurrentEnvironmentBinding() {
  return ClassTable<moxCurrentEnvironment>(u"moxCurrentEnvironment")
      .Summary(
          u"Facts about the computer and the user the process runs as; usable without creating it.")
      .Creatable([] { return moxCurrentEnvironment::Create(); })
      .AppObject()
      .Get(MOX_MEMBER(CurrentComputer), 0x68030003, String())
      .Describe(u"The local computer's name.")
      .Get(MOX_MEMBER(CurrentDomain), 0x68030002, String())
      .Describe(
          u"The domain controller of the computer's primary domain, with its leading backslashes; "
          u"empty when there is none.")
      .Get(MOX_MEMBER(CurrentUser), 0x68030001, String())
      .Describe(u"The name of the user the process runs as.")
      .Get(MOX_MEMBER(CurrentUserPrivilege), 0x68030000, Enum(u"enmoxUserPrivilege"))
      .Describe(
          u"Whether that user is a guest, a user or an administrator, as the domain controller "
          u"records it.")
      .Build();
}

}  // namespace moxtrel::typelib
