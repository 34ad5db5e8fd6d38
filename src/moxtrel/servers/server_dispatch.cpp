// _moxServer in slot order.
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/print_queues.h"
#include "moxtrel/servers/file_shares.h"
#include "moxtrel/servers/server.h"

namespace moxtrel::typelib {

ClassBinding moxServerBinding() {
  return ClassTable<moxServer>(u"moxServer")
      .Creatable([] { return moxServer::Create(); })
      .Field(u"Users", 0x40030003, u"moxUsers", MOX_GET(Users), MOX_PUT(Users))
      .Field(u"Groups", 0x40030004, u"moxGroups", MOX_GET(Groups), MOX_PUT(Groups))
      .Field(u"FileShares", 0x40030005, u"moxFileShares", MOX_GET(FileShares), MOX_PUT(FileShares))
      .Field(u"PrintQueues", 0x40030006, u"moxPrintQueues", MOX_GET(PrintQueues),
             MOX_PUT(PrintQueues))
      .Get(u"Division", 0x68030008, String(), MOX_GET(Division))
      .Get(u"Exists", 0x68030007, Boolean(), MOX_GET(Exists))
      .Get(u"GUID", 0x68030006, String(), MOX_GET(GUID))
      .Property(u"Name", 0x68030005, String(), MOX_GET(Name), MOX_PUT(Name), u"sName")
      .Get(u"OperatingSystem", 0x68030004, String(), MOX_GET(OperatingSystem))
      .Get(u"OperatingSystemVersion", 0x68030003, String(), MOX_GET(OperatingSystemVersion))
      .Get(u"Owner", 0x68030002, String(), MOX_GET(Owner))
      .Get(u"Processor", 0x68030001, String(), MOX_GET(Processor))
      .Get(u"ProcessorCount", 0x68030000, String(), MOX_GET(ProcessorCount))
      .Method(u"Shutdown", 0x60030009, Boolean(), {Param(u"bReboot", Boolean())},
              MOX_CALL(Shutdown, 1))
      .Build();
}

}  // namespace moxtrel::typelib
