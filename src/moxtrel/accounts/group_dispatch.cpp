// _moxGroup in slot order.
#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxGroupBinding() {
  return ClassTable<moxGroup>(u"moxGroup")
      .Creatable([] { return moxGroup::Create(); })
      .Field(u"Users", 0x40030006, u"moxUsers", MOX_GET(Users), MOX_PUT(Users))
      .Field(u"Groups", 0x40030007, u"moxGroups", MOX_GET(Groups), MOX_PUT(Groups))
      .Property(u"Description", 0x68030005, String(), MOX_GET(Description), MOX_PUT(Description),
                u"sDescription")
      .Get(u"Domain", 0x68030004, String(), MOX_GET(Domain))
      .Get(u"Exists", 0x68030003, Boolean(), MOX_GET(Exists))
      .Get(u"GroupType", 0x68030002, Enum(u"moxType"), MOX_GET(GroupType))
      .Property(u"Name", 0x68030001, String(), MOX_GET(Name), MOX_PUT(Name), u"sName")
      .Get(u"Server", 0x68030000, String(), MOX_GET(Server))
      .Method(u"AddToLocalGroup", 0x60030007, Boolean(),
              {Param(u"sGroup", String()), Param(u"sServer", String())},
              MOX_CALL(AddToLocalGroup, 2))
      .Method(u"RemoveFromLocalGroup", 0x60030008, Boolean(),
              {Param(u"sGroup", String()), Param(u"sServer", String())},
              MOX_CALL(RemoveFromLocalGroup, 2))
      .Method(u"Find", 0x60030009, Boolean(),
              {Param(u"sName", String()), Param(u"sParent", String())}, MOX_CALL(Find, 2))
      .Build();
}

}  // namespace moxtrel::typelib
