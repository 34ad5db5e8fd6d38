// _moxCurrentEnvironment in slot order; also the global application object.
#include "moxtrel/environment/class_bindings.h"
#include "moxtrel/environment/current_environment.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxCurrentEnvironmentBinding() {
  return ClassTable<moxCurrentEnvironment>(u"moxCurrentEnvironment")
      .Creatable([] { return moxCurrentEnvironment::Create(); })
      .AppObject()
      .Get(MOX_MEMBER(CurrentComputer), 0x68030003, String())
      .Get(MOX_MEMBER(CurrentDomain), 0x68030002, String())
      .Get(MOX_MEMBER(CurrentUser), 0x68030001, String())
      .Get(MOX_MEMBER(CurrentUserPrivilege), 0x68030000, Enum(u"enmoxUserPrivilege"))
      .Build();
}

}  // namespace moxtrel::typelib
