// _moxServer in slot order.
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/print_queues.h"
#include "moxtrel/servers/class_bindings.h"
#include "moxtrel/servers/file_shares.h"
#include "moxtrel/servers/server.h"

namespace moxtrel::typelib {

ClassBinding moxServerBinding() {
  return ClassTable<moxServer>(u"moxServer")
      .Creatable([] { return moxServer::Create(); })
      .Field(MOX_MEMBER(Users), 0x40030003, u"moxUsers")
      .Field(MOX_MEMBER(Groups), 0x40030004, u"moxGroups")
      .Field(MOX_MEMBER(FileShares), 0x40030005, u"moxFileShares")
      .Field(MOX_MEMBER(PrintQueues), 0x40030006, u"moxPrintQueues")
      .Get(MOX_MEMBER(Division), 0x68030008, String())
      .Get(MOX_MEMBER(Exists), 0x68030007, Boolean())
      .Get(MOX_MEMBER(GUID), 0x68030006, String())
      .Property(MOX_MEMBER(Name), 0x68030005, String(), u"sName")
      .Get(MOX_MEMBER(OperatingSystem), 0x68030004, String())
      .Get(MOX_MEMBER(OperatingSystemVersion), 0x68030003, String())
      .Get(MOX_MEMBER(Owner), 0x68030002, String())
      .Get(MOX_MEMBER(Processor), 0x68030001, String())
      .Get(MOX_MEMBER(ProcessorCount), 0x68030000, String())
      .Method(MOX_MEMBER(Shutdown), 0x60030009, Boolean(), {Param(u"bReboot", Boolean())})
      .Build();
}

}  // namespace moxtrel::typelib
