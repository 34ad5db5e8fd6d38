// _moxServices in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/services/class_bindings.h"
#include "moxtrel/services/service.h"
#include "moxtrel/services/services.h"

namespace moxtrel::typelib {

ClassBinding moxServicesBinding() {
  return ClassTable<moxServices>(u"moxServices")
      .Summary(u"The services of a computer, the local one unless Server names another.")
      .Creatable([] { return moxServices::Create(); })
      .CollectionMembers(
          0x68030002, 0x68030001, Object(u"moxService"),
          {.count = u"The number of services, listed first when the collection is stale.",
           .exists = u"True when Index, a position from 1 or a service name, finds a service.",
           .item = u"The service at Index, a position from 1 or a service name; an error when "
                   u"there is none.",
           .new_enum = u"An enumerator over the services, for For Each."})
      .Property(MOX_MEMBER(Server), 0x68030000, String(), u"sServer")
      .Describe(
          u"The computer whose services are listed, at first the local one; setting it lists them "
          u"again on the next read.")
      .Method(MOX_MEMBER(Add), 0x60030003, Boolean(),
              {Param(u"sPath", String()), Param(u"sName", String()),
               Optional(u"sDisplayName", String(), Variant(u"")),
               Optional(u"lType", Enum(u"enmoxServiceType"), Variant(int32_t{16})),
               Optional(u"lStartType", Enum(u"enmoxServiceStartType"), Variant(int32_t{2}))})
      .Describe(u"Reserved for installing a service; it installs nothing and returns False.")
      .Method(MOX_MEMBER(Remove), 0x60030004, Boolean(), {Param(u"Index", AnyVariant())})
      .Describe(u"Deletes the service at Index from the computer and the list; True when removed.")
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Describe(u"Lists the computer's services again; False when the computer cannot be reached.")
      .Build();
}

}  // namespace moxtrel::typelib
