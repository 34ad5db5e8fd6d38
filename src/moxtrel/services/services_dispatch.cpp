// _moxServices in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/services/class_bindings.h"
#include "moxtrel/services/service.h"
#include "moxtrel/services/services.h"

namespace moxtrel::typelib {

ClassBinding moxServicesBinding() {
  return ClassTable<moxServices>(u"moxServices")
      .Creatable([] { return moxServices::Create(); })
      .CollectionMembers(0x68030002, 0x68030001, Object(u"moxService"))
      .Property(MOX_MEMBER(Server), 0x68030000, String(), u"sServer")
      .Method(MOX_MEMBER(Add), 0x60030003, Boolean(),
              {Param(u"sPath", String()), Param(u"sName", String()),
               Optional(u"sDisplayName", String(), Variant(u"")),
               Optional(u"lType", Enum(u"enmoxServiceType"), Variant(int32_t{16})),
               Optional(u"lStartType", Enum(u"enmoxServiceStartType"), Variant(int32_t{2}))})
      .Method(MOX_MEMBER(Remove), 0x60030004, Boolean(), {Param(u"Index", AnyVariant())})
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Build();
}

}  // namespace moxtrel::typelib
