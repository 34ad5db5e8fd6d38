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
      .Summary(
          u"A computer of the directory, with its local accounts and groups, file shares and print "
          u"queues.")
      .Creatable([] { return moxServer::Create(); })
      .Field(MOX_MEMBER(Users), 0x40030003, u"moxUsers")
      .Describe(u"The computer's local user accounts; no object until a name is bound.")
      .Field(MOX_MEMBER(Groups), 0x40030004, u"moxGroups")
      .Describe(u"The computer's local groups; no object until a name is bound.")
      .Field(MOX_MEMBER(FileShares), 0x40030005, u"moxFileShares")
      .Describe(u"The computer's file shares; no object until a name is bound.")
      .Field(MOX_MEMBER(PrintQueues), 0x40030006, u"moxPrintQueues")
      .Describe(u"The computer's print queues; no object until a name is bound.")
      .Get(MOX_MEMBER(Division), 0x68030008, String())
      .Describe(u"The division the computer belongs to; empty while unbound.")
      .Get(MOX_MEMBER(Exists), 0x68030007, Boolean())
      .Describe(u"True while the object is bound to a computer of the directory.")
      .Get(MOX_MEMBER(GUID), 0x68030006, String())
      .Describe(u"The computer's unique identifier; empty while unbound.")
      .Property(MOX_MEMBER(Name), 0x68030005, String(), u"sName")
      .Describe(
          u"The computer's name, or a domain/computer pair; setting it looks the computer up and "
          u"binds the object, with fresh child collections.")
      .Get(MOX_MEMBER(OperatingSystem), 0x68030004, String())
      .Describe(u"The name of the computer's operating system; empty while unbound.")
      .Get(MOX_MEMBER(OperatingSystemVersion), 0x68030003, String())
      .Describe(u"The version of the computer's operating system; empty while unbound.")
      .Get(MOX_MEMBER(Owner), 0x68030002, String())
      .Describe(u"The computer's registered owner; empty while unbound.")
      .Get(MOX_MEMBER(Processor), 0x68030001, String())
      .Describe(u"The computer's processor type; empty while unbound.")
      .Get(MOX_MEMBER(ProcessorCount), 0x68030000, String())
      .Describe(u"The number of processors, as text; empty while unbound.")
      .Method(MOX_MEMBER(Shutdown), 0x60030009, Boolean(), {Param(u"bReboot", Boolean())})
      .Describe(
          u"Shuts the computer down, restarting it when bReboot is True; False when refused, and "
          u"True without a call while unbound.")
      .Build();
}

}  // namespace moxtrel::typelib
