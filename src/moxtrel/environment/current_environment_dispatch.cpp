// _moxCurrentEnvironment in slot order; also the global application object.
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/environment/current_environment.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxCurrentEnvironmentBinding() {
  return ClassTable<moxCurrentEnvironment>(u"moxCurrentEnvironment")
      .Creatable([] { return moxCurrentEnvironment::Create(); })
      .AppObject()
      .Get(u"CurrentComputer", 0x68030003, String(), MOX_GET(CurrentComputer))
      .Get(u"CurrentDomain", 0x68030002, String(), MOX_GET(CurrentDomain))
      .Get(u"CurrentUser", 0x68030001, String(), MOX_GET(CurrentUser))
      .Get(u"CurrentUserPrivilege", 0x68030000, Enum(u"enmoxUserPrivilege"),
           MOX_GET(CurrentUserPrivilege))
      .Build();
}

}  // namespace moxtrel::typelib
