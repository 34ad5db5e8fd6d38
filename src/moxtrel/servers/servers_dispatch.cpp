// _moxServers in slot order.
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/servers/server.h"
#include "moxtrel/servers/servers.h"

namespace moxtrel::typelib {

ClassBinding moxServersBinding() {
  return ClassTable<moxServers>(u"moxServers")
      .Get(u"Count", 0x68030002, Long(), MOX_GET(Count))
      .Get(u"Exists", 0x68030000, Boolean(), MOX_CALL(Exists, 1), {Param(u"Index", AnyVariant())})
      .Get(u"Item", kDispIdValue, Object(u"moxServer"), MOX_CALL(Item, 1),
           {Param(u"Index", AnyVariant())})
      .Get(u"NewEnum", kDispIdNewEnum, Object(u"IUnknown"), MOX_GET(NewEnum))
      .Hidden()
      .Method(u"Refresh", kDispIdRefresh, Boolean(), {}, MOX_CALL(Refresh, 0))
      .Build();
}

}  // namespace moxtrel::typelib
