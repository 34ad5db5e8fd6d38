// _moxServers in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/servers/class_bindings.h"
#include "moxtrel/servers/server.h"
#include "moxtrel/servers/servers.h"

namespace moxtrel::typelib {

ClassBinding moxServersBinding() {
  return ClassTable<moxServers>(u"moxServers")
      .Summary(u"The computers of a domain, each named and keyed as domain/computer.")
      .CollectionMembers(
          0x68030002, 0x68030000, Object(u"moxServer"),
          {.count = u"The number of computers, listed first when the collection is stale.",
           .exists =
               u"True when Index, a position from 1 or a domain/computer name, finds a computer.",
           .item = u"The computer at Index, a position from 1 or a domain/computer name; an error "
                   u"when there is none.",
           .new_enum = u"An enumerator over the computers, for For Each."})
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Describe(
          u"Lists the domain's computers again, binding each one; a failure is raised as an error.")
      .Build();
}

}  // namespace moxtrel::typelib
