// _moxUsers in slot order.
#include "moxtrel/accounts/class_bindings.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxUsersBinding() {
  return ClassTable<moxUsers>(u"moxUsers")
      .Summary(
          u"The user accounts of a domain, a server or a group, listed from the directory when "
          u"first read and after each change.")
      .CollectionMembers(
          0x68030005, 0x68030003, Object(u"moxUser"),
          {.count = u"The number of accounts, listed first when the collection is stale.",
           .exists = u"True when Index, a position from 1 or an account name, finds an account.",
           .item = u"The account at Index, a position from 1 or an account name; an error when "
                   u"there is none.",
           .new_enum = u"An enumerator over the accounts, for For Each."})
      .Method(MOX_MEMBER(Add), 0x60030006, Boolean(),
              {Param(u"sUserName", String()), Optional(u"sFullName", String(), Variant(u"")),
               Optional(u"sDescription", String(), Variant(u""))})
      .Describe(
          u"Creates the account sUserName with its full name and description in the domain or "
          u"server listed; False in a group's listing or on failure.")
      .Method(MOX_MEMBER(Remove), 0x60030007, Boolean(), {Param(u"Index", AnyVariant())})
      .Describe(
          u"Deletes the account at Index, or in a group's listing takes it out of the group; True "
          u"on success.")
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Describe(
          u"Lists the accounts again from the directory; False when the collection has no usable "
          u"scope.")
      .Build();
}

}  // namespace moxtrel::typelib
