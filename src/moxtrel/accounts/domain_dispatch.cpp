// _moxDomain in slot order.
#include "moxtrel/accounts/class_bindings.h"
#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/servers/servers.h"

namespace moxtrel::typelib {

ClassBinding moxDomainBinding() {
  return ClassTable<moxDomain>(u"moxDomain")
      .Creatable([] { return moxDomain::Create(); })
      .Field(MOX_MEMBER(Users), 0x40030003, u"moxUsers")
      .Field(MOX_MEMBER(Groups), 0x40030004, u"moxGroups")
      .Field(MOX_MEMBER(Servers), 0x40030005, u"moxServers")
      .Get(MOX_MEMBER(Exists), 0x68030002, Boolean())
      .Get(MOX_MEMBER(GUID), 0x68030001, String())
      .Property(MOX_MEMBER(Name), 0x68030000, String(), u"sName")
      .Build();
}

}  // namespace moxtrel::typelib
