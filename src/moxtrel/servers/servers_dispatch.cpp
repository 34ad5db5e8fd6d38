// _moxServers in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/servers/class_bindings.h"
#include "moxtrel/servers/server.h"
#include "moxtrel/servers/servers.h"

namespace moxtrel::typelib {

ClassBinding moxServersBinding() {
  return ClassTable<moxServers>(u"moxServers")
      .CollectionMembers(0x68030002, 0x68030000, Object(u"moxServer"))
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Build();
}

}  // namespace moxtrel::typelib
