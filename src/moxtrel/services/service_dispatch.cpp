// _moxService in slot order.
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/services/service.h"
#include "moxtrel/services/service_deps.h"

namespace moxtrel::typelib {

ClassBinding moxServiceBinding() {
  return ClassTable<moxService>(u"moxService")
      .Creatable([] { return moxService::Create(); })
      .Field(u"Dependencies", 0x40030004, u"moxServiceDeps", MOX_GET(Dependencies),
             MOX_PUT(Dependencies))
      .Property(u"ErrorControl", 0x6803000A, Enum(u"enmoxServiceErrorControl"),
                MOX_GET(ErrorControl), MOX_PUT(ErrorControl), u"lErrorControl")
      .Get(u"Exists", 0x68030009, Boolean(), MOX_GET(Exists))
      .Property(u"DisplayName", 0x68030008, String(), MOX_GET(DisplayName), MOX_PUT(DisplayName),
                u"sName")
      .Property(u"LoadOrderGroup", 0x68030007, String(), MOX_GET(LoadOrderGroup),
                MOX_PUT(LoadOrderGroup), u"sLoadOrderGroup")
      .Get(u"Name", 0x68030006, String(), MOX_GET(Name))
      .Property(u"Path", 0x68030005, String(), MOX_GET(Path), MOX_PUT(Path), u"sPath")
      .Get(u"Server", 0x68030004, String(), MOX_GET(Server))
      .Property(u"AccountName", 0x68030003, String(), MOX_GET(AccountName), MOX_PUT(AccountName),
                u"sAccountName")
      .Get(u"Status", 0x68030002, Enum(u"enmoxServiceStatus"), MOX_GET(Status))
      .Property(u"ServiceType", 0x68030001, Enum(u"enmoxServiceType"), MOX_GET(ServiceType),
                MOX_PUT(ServiceType), u"lServiceType")
      .Property(u"StartType", 0x68030000, Enum(u"enmoxServiceStartType"), MOX_GET(StartType),
                MOX_PUT(StartType), u"lStartType")
      .Method(u"Find", 0x6003000B, Boolean(),
              {Param(u"sName", String()), Optional(u"sServer", String(), Variant(u""))},
              MOX_CALL(Find, 2))
      .Method(u"Continue", 0x6003000C, Boolean(), {}, MOX_CALL(Continue, 0))
      .Method(u"Pause", 0x6003000D, Boolean(), {}, MOX_CALL(Pause, 0))
      .Method(u"SetPassword", 0x6003000E, Boolean(), {Param(u"sNewPassword", String())},
              MOX_CALL(SetPassword, 1))
      .Method(u"Start", 0x6003000F, Boolean(), {}, MOX_CALL(Start, 0))
      .Method(u"StopSvc", 0x60030010, Boolean(), {}, MOX_CALL(StopSvc, 0))
      .Build();
}

}  // namespace moxtrel::typelib
