// _moxGroups in slot order.
#include "moxtrel/accounts/class_bindings.h"
#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxGroupsBinding() {
  return ClassTable<moxGroups>(u"moxGroups")
      .CollectionMembers(0x68030006, 0x68030004, Object(u"moxGroup"))
      .Method(MOX_MEMBER(Add), 0x60030007, Boolean(),
              {Param(u"sName", String()), Optional(u"sDescription", String(), Variant(u""))})
      .Method(MOX_MEMBER(Remove), 0x60030008, Boolean(), {Param(u"Index", AnyVariant())})
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Build();
}

}  // namespace moxtrel::typelib
