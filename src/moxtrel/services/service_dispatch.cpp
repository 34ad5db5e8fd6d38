// _moxService in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/services/class_bindings.h"
#include "moxtrel/services/service.h"
#include "moxtrel/services/service_deps.h"

namespace moxtrel::typelib {

ClassBinding moxServiceBinding() {
  return ClassTable<moxService>(u"moxService")
      .Creatable([] { return moxService::Create(); })
      .Field(MOX_MEMBER(Dependencies), 0x40030004, u"moxServiceDeps")
      .Property(MOX_MEMBER(ErrorControl), 0x6803000A, Enum(u"enmoxServiceErrorControl"),
                u"lErrorControl")
      .Get(MOX_MEMBER(Exists), 0x68030009, Boolean())
      .Property(MOX_MEMBER(DisplayName), 0x68030008, String(), u"sName")
      .Property(MOX_MEMBER(LoadOrderGroup), 0x68030007, String(), u"sLoadOrderGroup")
      .Get(MOX_MEMBER(Name), 0x68030006, String())
      .Property(MOX_MEMBER(Path), 0x68030005, String(), u"sPath")
      .Get(MOX_MEMBER(Server), 0x68030004, String())
      .Property(MOX_MEMBER(AccountName), 0x68030003, String(), u"sAccountName")
      .Get(MOX_MEMBER(Status), 0x68030002, Enum(u"enmoxServiceStatus"))
      .Property(MOX_MEMBER(ServiceType), 0x68030001, Enum(u"enmoxServiceType"), u"lServiceType")
      .Property(MOX_MEMBER(StartType), 0x68030000, Enum(u"enmoxServiceStartType"), u"lStartType")
      .Method(MOX_MEMBER(Find), 0x6003000B, Boolean(),
              {Param(u"sName", String()), Optional(u"sServer", String(), Variant(u""))})
      .Method(MOX_MEMBER(Continue), 0x6003000C, Boolean(), {})
      .Method(MOX_MEMBER(Pause), 0x6003000D, Boolean(), {})
      .Method(MOX_MEMBER(SetPassword), 0x6003000E, Boolean(), {Param(u"sNewPassword", String())})
      .Method(MOX_MEMBER(Start), 0x6003000F, Boolean(), {})
      .Method(MOX_MEMBER(StopSvc), 0x60030010, Boolean(), {})
      .Build();
}

}  // namespace moxtrel::typelib
