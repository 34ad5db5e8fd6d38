// _moxGroup in slot order.
#include "moxtrel/accounts/class_bindings.h"
#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxGroupBinding() {
  return ClassTable<moxGroup>(u"moxGroup")
      .Creatable([] { return moxGroup::Create(); })
      .Field(MOX_MEMBER(Users), 0x40030006, u"moxUsers")
      .Field(MOX_MEMBER(Groups), 0x40030007, u"moxGroups")
      .Property(MOX_MEMBER(Description), 0x68030005, String(), u"sDescription")
      .Get(MOX_MEMBER(Domain), 0x68030004, String())
      .Get(MOX_MEMBER(Exists), 0x68030003, Boolean())
      .Get(MOX_MEMBER(GroupType), 0x68030002, Enum(u"moxType"))
      .Property(MOX_MEMBER(Name), 0x68030001, String(), u"sName")
      .Get(MOX_MEMBER(Server), 0x68030000, String())
      .Method(MOX_MEMBER(AddToLocalGroup), 0x60030007, Boolean(),
              {Param(u"sGroup", String()), Param(u"sServer", String())})
      .Method(MOX_MEMBER(RemoveFromLocalGroup), 0x60030008, Boolean(),
              {Param(u"sGroup", String()), Param(u"sServer", String())})
      .Method(MOX_MEMBER(Find), 0x60030009, Boolean(),
              {Param(u"sName", String()), Param(u"sParent", String())})
      .Build();
}

}  // namespace moxtrel::typelib
