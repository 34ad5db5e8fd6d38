// _moxService in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/services/class_bindings.h"
#include "moxtrel/services/service.h"
#include "moxtrel/services/service_deps.h"

namespace moxtrel::typelib {

ClassBinding moxServiceBinding() {
  return ClassTable<moxService>(u"moxService")
      .Summary(
          u"A service of a computer, to configure, start, stop, pause and continue; while unbound "
          u"its properties read empty and writes are ignored, and a write never reports a failure.")
      .Creatable([] { return moxService::Create(); })
      .Field(MOX_MEMBER(Dependencies), 0x40030004, u"moxServiceDeps")
      .Describe(u"The names of the services this one depends on.")
      .Property(MOX_MEMBER(ErrorControl), 0x6803000A, Enum(u"enmoxServiceErrorControl"),
                u"lErrorControl")
      .Describe(u"How the computer reacts when the service fails to start at startup.")
      .Get(MOX_MEMBER(Exists), 0x68030009, Boolean())
      .Describe(u"True while the object is bound to a service of the directory.")
      .Property(MOX_MEMBER(DisplayName), 0x68030008, String(), u"sName")
      .Describe(u"The name the service is shown under; an empty value is ignored.")
      .Property(MOX_MEMBER(LoadOrderGroup), 0x68030007, String(), u"sLoadOrderGroup")
      .Describe(u"The load order group the service starts with; an empty value is ignored.")
      .Get(MOX_MEMBER(Name), 0x68030006, String())
      .Describe(u"The service's name.")
      .Property(MOX_MEMBER(Path), 0x68030005, String(), u"sPath")
      .Describe(u"The path of the service's program; an empty value is ignored.")
      .Get(MOX_MEMBER(Server), 0x68030004, String())
      .Describe(u"The computer that runs the service.")
      .Property(MOX_MEMBER(AccountName), 0x68030003, String(), u"sAccountName")
      .Describe(u"The account the service logs on as; an empty value is ignored.")
      .Get(MOX_MEMBER(Status), 0x68030002, Enum(u"enmoxServiceStatus"))
      .Describe(
          u"Whether the service is stopped, running, paused or changing between these; 0 while "
          u"unbound.")
      .Property(MOX_MEMBER(ServiceType), 0x68030001, Enum(u"enmoxServiceType"), u"lServiceType")
      .Describe(
          u"What kind of program the service is: a driver, or a process of its own or shared.")
      .Property(MOX_MEMBER(StartType), 0x68030000, Enum(u"enmoxServiceStartType"), u"lStartType")
      .Describe(
          u"When the service starts: at boot, with the system, automatically, on demand, or never.")
      .Method(MOX_MEMBER(Find), 0x6003000B, Boolean(),
              {Param(u"sName", String()), Optional(u"sServer", String(), Variant(u""))})
      .Describe(
          u"Binds the object to the service sName of the server sServer, the local computer when "
          u"omitted; True when found.")
      .Method(MOX_MEMBER(Continue), 0x6003000C, Boolean(), {})
      .Describe(u"Resumes a paused service; True when the request was accepted.")
      .Method(MOX_MEMBER(Pause), 0x6003000D, Boolean(), {})
      .Describe(u"Pauses a running service; True when the request was accepted.")
      .Method(MOX_MEMBER(SetPassword), 0x6003000E, Boolean(), {Param(u"sNewPassword", String())})
      .Describe(u"Sets the password of the account the service logs on as; True when accepted.")
      .Method(MOX_MEMBER(Start), 0x6003000F, Boolean(), {})
      .Describe(u"Starts a stopped service; True when the request was accepted.")
      .Method(MOX_MEMBER(StopSvc), 0x60030010, Boolean(), {})
      .Describe(u"Stops a running or paused service; True when the request was accepted.")
      .Build();
}

}  // namespace moxtrel::typelib
