// _moxPrintQueues in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/class_bindings.h"
#include "moxtrel/printing/print_queue.h"
#include "moxtrel/printing/print_queues.h"

namespace moxtrel::typelib {

ClassBinding moxPrintQueuesBinding() {
  return ClassTable<moxPrintQueues>(u"moxPrintQueues")
      .Summary(u"The print queues of a server.")
      .CollectionMembers(
          0x68030001, std::nullopt, Object(u"moxPrintQueue"),
          {.count = u"The number of queues, listed first when the collection is stale.",
           .item = u"The queue at Index, a position from 1 or a queue name; an error when there is "
                   u"none.",
           .new_enum = u"An enumerator over the queues, for For Each."})
      .Method(MOX_MEMBER(Remove), 0x60030002, Boolean(), {Param(u"Index", AnyVariant())})
      .Describe(
          u"Deletes the queue at Index from its server; True when deleted, though it stays listed "
          u"until the next Refresh.")
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Describe(u"Lists the server's print queues again; False when the collection has no server.")
      .Build();
}

}  // namespace moxtrel::typelib
