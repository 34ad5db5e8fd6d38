// _moxPrintQueues in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/class_bindings.h"
#include "moxtrel/printing/print_queue.h"
#include "moxtrel/printing/print_queues.h"

namespace moxtrel::typelib {

ClassBinding moxPrintQueuesBinding() {
  return ClassTable<moxPrintQueues>(u"moxPrintQueues")
      .CollectionMembers(0x68030001, std::nullopt, Object(u"moxPrintQueue"))
      .Method(MOX_MEMBER(Remove), 0x60030002, Boolean(), {Param(u"Index", AnyVariant())})
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Build();
}

}  // namespace moxtrel::typelib
