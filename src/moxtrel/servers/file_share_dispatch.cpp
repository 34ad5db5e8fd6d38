// _moxFileShare in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/servers/class_bindings.h"
#include "moxtrel/servers/file_share.h"

namespace moxtrel::typelib {

ClassBinding moxFileShareBinding() {
  return ClassTable<moxFileShare>(u"moxFileShare")
      .Creatable([] { return moxFileShare::Create(); })
      .Get(MOX_MEMBER(Exists), 0x68030007, Boolean())
      .Get(MOX_MEMBER(Name), 0x68030006, String())
      .Property(MOX_MEMBER(Description), 0x68030005, String(), u"sDescription")
      .Get(MOX_MEMBER(CurrentUsers), 0x68030004, Long())
      .Get(MOX_MEMBER(GUID), 0x68030003, String())
      .Property(MOX_MEMBER(MaxUsers), 0x68030002, Long(), u"lMaxUsers")
      .Get(MOX_MEMBER(Path), 0x68030001, String())
      .Get(MOX_MEMBER(Server), 0x68030000, String())
      .Method(MOX_MEMBER(Find), 0x60030009, Boolean(),
              {Param(u"sName", String()), Param(u"sServer", String())})
      .Build();
}

}  // namespace moxtrel::typelib
