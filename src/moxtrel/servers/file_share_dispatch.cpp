// _moxFileShare in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/servers/class_bindings.h"
#include "moxtrel/servers/file_share.h"

namespace moxtrel::typelib {

ClassBinding moxFileShareBinding() {
  return ClassTable<moxFileShare>(u"moxFileShare")
      .Summary(
          u"A shared folder of a server; while unbound its properties read empty and writes to "
          u"them are ignored.")
      .Creatable([] { return moxFileShare::Create(); })
      .Get(MOX_MEMBER(Exists), 0x68030007, Boolean())
      .Describe(u"True while the object is bound to a share of the directory.")
      .Get(MOX_MEMBER(Name), 0x68030006, String())
      .Describe(u"The share's name.")
      .Property(MOX_MEMBER(Description), 0x68030005, String(), u"sDescription")
      .Describe(
          u"The share's description, written trimmed of blanks; empty while unbound, and setting "
          u"it then does nothing.")
      .Get(MOX_MEMBER(CurrentUsers), 0x68030004, Long())
      .Describe(u"The number of users connected to the share now; 0 while unbound.")
      .Get(MOX_MEMBER(GUID), 0x68030003, String())
      .Describe(u"The share's unique identifier; empty while unbound.")
      .Property(MOX_MEMBER(MaxUsers), 0x68030002, Long(), u"lMaxUsers")
      .Describe(
          u"The most users that may connect to the share at once (-1 for no limit); 0 while "
          u"unbound, and setting it then does nothing.")
      .Get(MOX_MEMBER(Path), 0x68030001, String())
      .Describe(u"The local path of the shared folder on its server; empty while unbound.")
      .Get(MOX_MEMBER(Server), 0x68030000, String())
      .Describe(u"The server that holds the share; empty while unbound.")
      .Method(MOX_MEMBER(Find), 0x60030009, Boolean(),
              {Param(u"sName", String()), Param(u"sServer", String())})
      .Describe(u"Binds the object to the share sName of the server sServer; True when found.")
      .Build();
}

}  // namespace moxtrel::typelib
