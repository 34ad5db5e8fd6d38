// _moxPrintJob in slot order.
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/print_job.h"

namespace moxtrel::typelib {

ClassBinding moxPrintJobBinding() {
  return ClassTable<moxPrintJob>(u"moxPrintJob")
      .Property(u"Description", 0x68030009, String(), MOX_GET(Description), MOX_PUT(Description),
                u"sDescription")
      .Get(u"HostPrintQueue", 0x68030008, String(), MOX_GET(HostPrintQueue))
      .Get(u"Name", 0x68030007, String(), MOX_GET(Name))
      .Get(u"Pages", 0x68030006, Long(), MOX_GET(Pages))
      .Property(u"Priority", 0x68030005, Long(), MOX_GET(Priority), MOX_PUT(Priority), u"lPriority")
      .Get(u"Size", 0x68030004, Long(), MOX_GET(Size))
      .Property(u"StartTime", 0x68030003, DateTime(), MOX_GET(StartTime), MOX_PUT(StartTime),
                u"dStartTime")
      .Get(u"TimeSubmitted", 0x68030002, DateTime(), MOX_GET(TimeSubmitted))
      .Property(u"UntilTime", 0x68030001, DateTime(), MOX_GET(UntilTime), MOX_PUT(UntilTime),
                u"dUntilTime")
      .Get(u"User", 0x68030000, String(), MOX_GET(User))
      .Build();
}

}  // namespace moxtrel::typelib
