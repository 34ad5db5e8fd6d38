// _moxPrintJob in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/class_bindings.h"
#include "moxtrel/printing/print_job.h"

namespace moxtrel::typelib {

ClassBinding moxPrintJobBinding() {
  return ClassTable<moxPrintJob>(u"moxPrintJob")
      .Summary(u"A job in a print queue, as its jobs collection listed it.")
      .Property(MOX_MEMBER(Description), 0x68030009, String(), u"sDescription")
      .Describe(u"The job's description, usually its document's name; written trimmed of blanks.")
      .Get(MOX_MEMBER(HostPrintQueue), 0x68030008, String())
      .Describe(u"The path of the job's queue, without \"WinNT://\".")
      .Get(MOX_MEMBER(Name), 0x68030007, String())
      .Describe(u"The job's name in its queue, which keys it in the jobs collection.")
      .Get(MOX_MEMBER(Pages), 0x68030006, Long())
      .Describe(u"The number of pages in the job.")
      .Property(MOX_MEMBER(Priority), 0x68030005, Long(), u"lPriority")
      .Describe(u"The job's priority; a value outside 1 to 99 is ignored.")
      .Get(MOX_MEMBER(Size), 0x68030004, Long())
      .Describe(u"The job's size in bytes.")
      .Property(MOX_MEMBER(StartTime), 0x68030003, DateTime(), u"dStartTime")
      .Describe(u"The time of day from which the job may print.")
      .Get(MOX_MEMBER(TimeSubmitted), 0x68030002, DateTime())
      .Describe(u"When the job was submitted.")
      .Property(MOX_MEMBER(UntilTime), 0x68030001, DateTime(), u"dUntilTime")
      .Describe(u"The time of day until which the job may print.")
      .Get(MOX_MEMBER(User), 0x68030000, String())
      .Describe(u"The name of the user who submitted the job.")
      .Build();
}

}  // namespace moxtrel::typelib
