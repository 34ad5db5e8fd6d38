// _moxFileShares in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/servers/class_bindings.h"
#include "moxtrel/servers/file_share.h"
#include "moxtrel/servers/file_shares.h"

namespace moxtrel::typelib {

ClassBinding moxFileSharesBinding() {
  return ClassTable<moxFileShares>(u"moxFileShares")
      .Creatable([] { return moxFileShares::Create(); })
      .CollectionMembers(0x68030002, 0x68030001, Object(u"moxFileShare"))
      .Method(MOX_MEMBER(Add), 0x60030003, Boolean(),
              {Param(u"sName", String()), Param(u"sPath", String()),
               Optional(u"sDescription", String(), Variant(u"")),
               Optional(u"lMaxUsers", Long(), Variant(int32_t{-1}))})
      .Method(MOX_MEMBER(Remove), 0x60030004, Boolean(), {Param(u"Index", AnyVariant())})
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Build();
}

}  // namespace moxtrel::typelib
