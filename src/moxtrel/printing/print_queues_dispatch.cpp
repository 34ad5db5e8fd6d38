// _moxPrintQueues in slot order.
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/print_queue.h"
#include "moxtrel/printing/print_queues.h"

namespace moxtrel::typelib {

ClassBinding moxPrintQueuesBinding() {
  return ClassTable<moxPrintQueues>(u"moxPrintQueues")
      .Get(u"Count", 0x68030001, Long(), MOX_GET(Count))
      .Get(u"Item", kDispIdValue, Object(u"moxPrintQueue"), MOX_CALL(Item, 1),
           {Param(u"Index", AnyVariant())})
      .Get(u"NewEnum", kDispIdNewEnum, Object(u"IUnknown"), MOX_GET(NewEnum))
      .Hidden()
      .Method(u"Remove", 0x60030002, Boolean(), {Param(u"Index", AnyVariant())},
              MOX_CALL(Remove, 1))
      .Method(u"Refresh", kDispIdRefresh, Boolean(), {}, MOX_CALL(Refresh, 0))
      .Build();
}

}  // namespace moxtrel::typelib
