// _moxGroups in slot order.
#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxGroupsBinding() {
  return ClassTable<moxGroups>(u"moxGroups")
      .Get(u"Count", 0x68030006, Long(), MOX_GET(Count))
      .Get(u"Exists", 0x68030004, Boolean(), MOX_CALL(Exists, 1), {Param(u"Index", AnyVariant())})
      .Get(u"Item", kDispIdValue, Object(u"moxGroup"), MOX_CALL(Item, 1),
           {Param(u"Index", AnyVariant())})
      .Get(u"NewEnum", kDispIdNewEnum, Object(u"IUnknown"), MOX_GET(NewEnum))
      .Hidden()
      .Method(u"Add", 0x60030007, Boolean(),
              {Param(u"sName", String()), Optional(u"sDescription", String(), Variant(u""))},
              MOX_CALL(Add, 2))
      .Method(u"Remove", 0x60030008, Boolean(), {Param(u"Index", AnyVariant())},
              MOX_CALL(Remove, 1))
      .Method(u"Refresh", kDispIdRefresh, Boolean(), {}, MOX_CALL(Refresh, 0))
      .Build();
}

}  // namespace moxtrel::typelib
