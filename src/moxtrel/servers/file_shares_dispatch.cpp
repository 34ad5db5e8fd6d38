// _moxFileShares in slot order.
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/servers/file_share.h"
#include "moxtrel/servers/file_shares.h"

namespace moxtrel::typelib {

ClassBinding moxFileSharesBinding() {
  return ClassTable<moxFileShares>(u"moxFileShares")
      .Creatable([] { return moxFileShares::Create(); })
      .Get(u"Count", 0x68030002, Long(), MOX_GET(Count))
      .Get(u"Exists", 0x68030001, Boolean(), MOX_CALL(Exists, 1), {Param(u"Index", AnyVariant())})
      .Get(u"Item", kDispIdValue, Object(u"moxFileShare"), MOX_CALL(Item, 1),
           {Param(u"Index", AnyVariant())})
      .Get(u"NewEnum", kDispIdNewEnum, Object(u"IUnknown"), MOX_GET(NewEnum))
      .Hidden()
      .Method(u"Add", 0x60030003, Boolean(),
              {Param(u"sName", String()), Param(u"sPath", String()),
               Optional(u"sDescription", String(), Variant(u"")),
               Optional(u"lMaxUsers", Long(), Variant(int32_t{-1}))},
              MOX_CALL(Add, 4))
      .Method(u"Remove", 0x60030004, Boolean(), {Param(u"Index", AnyVariant())},
              MOX_CALL(Remove, 1))
      .Method(u"Refresh", kDispIdRefresh, Boolean(), {}, MOX_CALL(Refresh, 0))
      .Build();
}

}  // namespace moxtrel::typelib
