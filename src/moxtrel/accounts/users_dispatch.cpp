// _moxUsers in slot order.
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxUsersBinding() {
  return ClassTable<moxUsers>(u"moxUsers")
      .Get(u"Count", 0x68030005, Long(), MOX_GET(Count))
      .Get(u"Exists", 0x68030003, Boolean(), MOX_CALL(Exists, 1), {Param(u"Index", AnyVariant())})
      .Get(u"Item", kDispIdValue, Object(u"moxUser"), MOX_CALL(Item, 1),
           {Param(u"Index", AnyVariant())})
      .Get(u"NewEnum", kDispIdNewEnum, Object(u"IUnknown"), MOX_GET(NewEnum))
      .Hidden()
      .Method(u"Add", 0x60030006, Boolean(),
              {Param(u"sUserName", String()), Optional(u"sFullName", String(), Variant(u"")),
               Optional(u"sDescription", String(), Variant(u""))},
              MOX_CALL(Add, 3))
      .Method(u"Remove", 0x60030007, Boolean(), {Param(u"Index", AnyVariant())},
              MOX_CALL(Remove, 1))
      .Method(u"Refresh", kDispIdRefresh, Boolean(), {}, MOX_CALL(Refresh, 0))
      .Build();
}

}  // namespace moxtrel::typelib
