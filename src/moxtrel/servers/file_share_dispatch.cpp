// _moxFileShare in slot order.
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/servers/file_share.h"

namespace moxtrel::typelib {

ClassBinding moxFileShareBinding() {
  return ClassTable<moxFileShare>(u"moxFileShare")
      .Creatable([] { return moxFileShare::Create(); })
      .Get(u"Exists", 0x68030007, Boolean(), MOX_GET(Exists))
      .Get(u"Name", 0x68030006, String(), MOX_GET(Name))
      .Property(u"Description", 0x68030005, String(), MOX_GET(Description), MOX_PUT(Description),
                u"sDescription")
      .Get(u"CurrentUsers", 0x68030004, Long(), MOX_GET(CurrentUsers))
      .Get(u"GUID", 0x68030003, String(), MOX_GET(GUID))
      .Property(u"MaxUsers", 0x68030002, Long(), MOX_GET(MaxUsers), MOX_PUT(MaxUsers), u"lMaxUsers")
      .Get(u"Path", 0x68030001, String(), MOX_GET(Path))
      .Get(u"Server", 0x68030000, String(), MOX_GET(Server))
      .Method(u"Find", 0x60030009, Boolean(),
              {Param(u"sName", String()), Param(u"sServer", String())}, MOX_CALL(Find, 2))
      .Build();
}

}  // namespace moxtrel::typelib
