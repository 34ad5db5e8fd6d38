// _moxServiceDeps in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/services/class_bindings.h"
#include "moxtrel/services/service_deps.h"

namespace moxtrel::typelib {

ClassBinding moxServiceDepsBinding() {
  return ClassTable<moxServiceDeps>(u"moxServiceDeps")
      .Summary(u"The names of the services that one service depends on.")
      .Creatable([] { return moxServiceDeps::Create(); })
      .CollectionMembers(0x68030001, 0x68030000, String(),
                         {.count = u"The number of names, read first when the list is stale; 0 "
                                   u"when no service is bound.",
                          .exists = u"True when Index, a position from 1 or a name, finds a name; "
                                    u"False when no service is bound.",
                          .item = u"The name at Index, a position from 1 or the name itself; empty "
                                  u"when no service is bound.",
                          .new_enum = u"An enumerator over the names, for For Each."})
      .Method(MOX_MEMBER(Add), 0x60030003, Boolean(), {Param(u"sDependency", String())})
      .Describe(
          u"Adds the name sDependency and writes the list back to the service; True when written.")
      .Method(MOX_MEMBER(Remove), 0x60030004, Boolean(), {Param(u"Index", AnyVariant())})
      .Describe(
          u"Removes the name at Index and writes the list back to the service; True when written.")
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Describe(u"Reads the list again from the service; False when no service is bound.")
      .Build();
}

}  // namespace moxtrel::typelib
