// _moxServices in slot order.
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/services/service.h"
#include "moxtrel/services/services.h"

namespace moxtrel::typelib {

ClassBinding moxServicesBinding() {
  return ClassTable<moxServices>(u"moxServices")
      .Creatable([] { return moxServices::Create(); })
      .Get(u"Count", 0x68030002, Long(), MOX_GET(Count))
      .Get(u"Exists", 0x68030001, Boolean(), MOX_CALL(Exists, 1), {Param(u"Index", AnyVariant())})
      .Get(u"Item", kDispIdValue, Object(u"moxService"), MOX_CALL(Item, 1),
           {Param(u"Index", AnyVariant())})
      .Get(u"NewEnum", kDispIdNewEnum, Object(u"IUnknown"), MOX_GET(NewEnum))
      .Hidden()
      .Property(u"Server", 0x68030000, String(), MOX_GET(Server), MOX_PUT(Server), u"sServer")
      .Method(u"Add", 0x60030003, Boolean(),
              {Param(u"sPath", String()), Param(u"sName", String()),
               Optional(u"sDisplayName", String(), Variant(u"")),
               Optional(u"lType", Enum(u"enmoxServiceType"), Variant(int32_t{16})),
               Optional(u"lStartType", Enum(u"enmoxServiceStartType"), Variant(int32_t{2}))},
              MOX_CALL(Add, 5))
      .Method(u"Remove", 0x60030004, Boolean(), {Param(u"Index", AnyVariant())},
              MOX_CALL(Remove, 1))
      .Method(u"Refresh", kDispIdRefresh, Boolean(), {}, MOX_CALL(Refresh, 0))
      .Build();
}

}  // namespace moxtrel::typelib
