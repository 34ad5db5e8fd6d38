// _moxFileShares in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/servers/class_bindings.h"
#include "moxtrel/servers/file_share.h"
#include "moxtrel/servers/file_shares.h"

namespace moxtrel::typelib {

ClassBinding moxFileSharesBinding() {
  return ClassTable<moxFileShares>(u"moxFileShares")
      .Summary(u"The file shares of a server.")
      .Creatable([] { return moxFileShares::Create(); })
      .CollectionMembers(
          0x68030002, 0x68030001, Object(u"moxFileShare"),
          {.count = u"The number of shares, listed first when the collection is stale.",
           .exists = u"True when Index, a position from 1 or a share name, finds a share.",
           .item = u"The share at Index, a position from 1 or a share name; an error when there is "
                   u"none.",
           .new_enum = u"An enumerator over the shares, for For Each."})
      .Method(MOX_MEMBER(Add), 0x60030003, Boolean(),
              {Param(u"sName", String()), Param(u"sPath", String()),
               Optional(u"sDescription", String(), Variant(u"")),
               Optional(u"lMaxUsers", Long(), Variant(int32_t{-1}))})
      .Describe(
          u"Shares the folder sPath of the server as sName, with a description and a user limit; "
          u"True when created.")
      .Method(MOX_MEMBER(Remove), 0x60030004, Boolean(), {Param(u"Index", AnyVariant())})
      .Describe(u"Stops sharing the share at Index on the server; True when removed.")
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Describe(
          u"Lists the server's shares again; an error when the server's file service cannot be "
          u"reached.")
      .Build();
}

}  // namespace moxtrel::typelib
