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
      .Summary(u"A domain of the directory, with its user accounts, groups and servers.")
      .Creatable([] { return moxDomain::Create(); })
      .Field(MOX_MEMBER(Users), 0x40030003, u"moxUsers")
      .Describe(u"The domain's global user accounts; no object until a name is bound.")
      .Field(MOX_MEMBER(Groups), 0x40030004, u"moxGroups")
      .Describe(u"The domain's global groups; no object until a name is bound.")
      .Field(MOX_MEMBER(Servers), 0x40030005, u"moxServers")
      .Describe(u"The domain's computers; no object until a name is bound.")
      .Get(MOX_MEMBER(Exists), 0x68030002, Boolean())
      .Describe(u"True while the object is bound to a domain of the directory.")
      .Get(MOX_MEMBER(GUID), 0x68030001, String())
      .Describe(u"The domain's unique identifier; empty while unbound.")
      .Property(MOX_MEMBER(Name), 0x68030000, String(), u"sName")
      .Describe(
          u"The domain's name; setting it looks the domain up and binds the object, with fresh "
          u"child collections.")
      .Build();
}

}  // namespace moxtrel::typelib
