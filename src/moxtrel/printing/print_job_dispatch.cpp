// _moxPrintJob in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/class_bindings.h"
#include "moxtrel/printing/print_job.h"

namespace moxtrel::typelib {

ClassBinding moxPrintJobBinding() {
  return ClassTable<moxPrintJob>(u"moxPrintJob")
      .Property(MOX_MEMBER(Description), 0x68030009, String(), u"sDescription")
      .Get(MOX_MEMBER(HostPrintQueue), 0x68030008, String())
      .Get(MOX_MEMBER(Name), 0x68030007, String())
      .Get(MOX_MEMBER(Pages), 0x68030006, Long())
      .Property(MOX_MEMBER(Priority), 0x68030005, Long(), u"lPriority")
      .Get(MOX_MEMBER(Size), 0x68030004, Long())
      .Property(MOX_MEMBER(StartTime), 0x68030003, DateTime(), u"dStartTime")
      .Get(MOX_MEMBER(TimeSubmitted), 0x68030002, DateTime())
      .Property(MOX_MEMBER(UntilTime), 0x68030001, DateTime(), u"dUntilTime")
      .Get(MOX_MEMBER(User), 0x68030000, String())
      .Build();
}

}  // namespace moxtrel::typelib
