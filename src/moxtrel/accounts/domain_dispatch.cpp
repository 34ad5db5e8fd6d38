// _moxDomain in slot order.
#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/servers/servers.h"

namespace moxtrel::typelib {

ClassBinding moxDomainBinding() {
  return ClassTable<moxDomain>(u"moxDomain")
      .Creatable([] { return moxDomain::Create(); })
      .Field(u"Users", 0x40030003, u"moxUsers", MOX_GET(Users), MOX_PUT(Users))
      .Field(u"Groups", 0x40030004, u"moxGroups", MOX_GET(Groups), MOX_PUT(Groups))
      .Field(u"Servers", 0x40030005, u"moxServers", MOX_GET(Servers), MOX_PUT(Servers))
      .Get(u"Exists", 0x68030002, Boolean(), MOX_GET(Exists))
      .Get(u"GUID", 0x68030001, String(), MOX_GET(GUID))
      .Property(u"Name", 0x68030000, String(), MOX_GET(Name), MOX_PUT(Name), u"sName")
      .Build();
}

}  // namespace moxtrel::typelib
