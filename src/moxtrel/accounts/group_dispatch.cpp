// _moxGroup in slot order.
#include "moxtrel/accounts/class_bindings.h"
#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxGroupBinding() {
  return ClassTable<moxGroup>(u"moxGroup")
      .Summary(u"A group account: a global group of a domain or a local group of a server.")
      .Creatable([] { return moxGroup::Create(); })
      .Field(MOX_MEMBER(Users), 0x40030006, u"moxUsers")
      .Describe(u"The group's user members; no object while unbound.")
      .Field(MOX_MEMBER(Groups), 0x40030007, u"moxGroups")
      .Describe(u"The group's group members; no object while unbound.")
      .Property(MOX_MEMBER(Description), 0x68030005, String(), u"sDescription")
      .Describe(
          u"The group's description, written trimmed of blanks; empty while unbound, and setting "
          u"it then does nothing.")
      .Get(MOX_MEMBER(Domain), 0x68030004, String())
      .Describe(u"The domain of a global group, as its parent path without \"WinNT://\".")
      .Get(MOX_MEMBER(Exists), 0x68030003, Boolean())
      .Describe(u"True while the object is bound to a group of the directory.")
      .Get(MOX_MEMBER(GroupType), 0x68030002, Enum(u"moxType"))
      .Describe(
          u"Whether the group is local to a server or global to a domain; 0 before the first bind.")
      .Property(MOX_MEMBER(Name), 0x68030001, String(), u"sName")
      .Describe(u"The group's name; setting it on a bound group renames the group.")
      .Get(MOX_MEMBER(Server), 0x68030000, String())
      .Describe(u"The server of a local group, as its parent path without \"WinNT://\".")
      .Method(MOX_MEMBER(AddToLocalGroup), 0x60030007, Boolean(),
              {Param(u"sGroup", String()), Param(u"sServer", String())})
      .Describe(
          u"Puts this global group into the local group sGroup of the server sServer; True when "
          u"added.")
      .Method(MOX_MEMBER(RemoveFromLocalGroup), 0x60030008, Boolean(),
              {Param(u"sGroup", String()), Param(u"sServer", String())})
      .Describe(
          u"Takes this global group out of the local group sGroup of the server sServer; True when "
          u"removed.")
      .Method(MOX_MEMBER(Find), 0x60030009, Boolean(),
              {Param(u"sName", String()), Param(u"sParent", String())})
      .Describe(
          u"Binds the object to the group sName of the domain or server sParent; True when found.")
      .Build();
}

}  // namespace moxtrel::typelib
