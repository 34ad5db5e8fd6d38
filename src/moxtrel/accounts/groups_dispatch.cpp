// _moxGroups in slot order.
#include "moxtrel/accounts/class_bindings.h"
#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxGroupsBinding() {
  return ClassTable<moxGroups>(u"moxGroups")
      .Summary(
          u"The groups of a domain or a server, the group members of a group, or the groups a user "
          u"belongs to.")
      .CollectionMembers(
          0x68030006, 0x68030004, Object(u"moxGroup"),
          {.count = u"The number of groups, listed first when the collection is stale.",
           .exists = u"True when Index, a position from 1 or a group name, finds a group.",
           .item = u"The group at Index, a position from 1 or a group name; an error when there is "
                   u"none.",
           .new_enum = u"An enumerator over the groups, for For Each."})
      .Method(MOX_MEMBER(Add), 0x60030007, Boolean(),
              {Param(u"sName", String()), Optional(u"sDescription", String(), Variant(u""))})
      .Describe(
          u"Creates the group sName with its description in the domain or server listed; False in "
          u"a group's or a user's listing or on failure.")
      .Method(MOX_MEMBER(Remove), 0x60030008, Boolean(), {Param(u"Index", AnyVariant())})
      .Describe(
          u"Deletes the group at Index, or in a group's or a user's listing ends that membership; "
          u"True on success.")
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Describe(
          u"Lists the groups again from the directory; False when the listing failed or has no "
          u"usable scope.")
      .Build();
}

}  // namespace moxtrel::typelib
