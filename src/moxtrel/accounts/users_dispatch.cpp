// _moxUsers in slot order.
#include "moxtrel/accounts/class_bindings.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxUsersBinding() {
  return ClassTable<moxUsers>(u"moxUsers")
      .CollectionMembers(0x68030005, 0x68030003, Object(u"moxUser"))
      .Method(MOX_MEMBER(Add), 0x60030006, Boolean(),
              {Param(u"sUserName", String()), Optional(u"sFullName", String(), Variant(u"")),
               Optional(u"sDescription", String(), Variant(u""))})
      .Method(MOX_MEMBER(Remove), 0x60030007, Boolean(), {Param(u"Index", AnyVariant())})
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Build();
}

}  // namespace moxtrel::typelib
