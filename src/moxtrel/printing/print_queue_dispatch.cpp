// _moxPrintQueue in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/class_bindings.h"
#include "moxtrel/printing/print_jobs.h"
#include "moxtrel/printing/print_queue.h"

namespace moxtrel::typelib {

ClassBinding moxPrintQueueBinding() {
  return ClassTable<moxPrintQueue>(u"moxPrintQueue")
      .Creatable([] { return moxPrintQueue::Create(); })
      .Field(MOX_MEMBER(PrintJobs), 0x40030004, u"moxPrintJobs")
      .Property(MOX_MEMBER(DataType), 0x6803000D, String(), u"sDataType")
      .Property(MOX_MEMBER(DefaultJobPriority), 0x6803000C, Long(), u"lDefaultJobPriority")
      .Property(MOX_MEMBER(Description), 0x6803000B, String(), u"sDescription")
      .Get(MOX_MEMBER(Exists), 0x6803000A, Boolean())
      .Property(MOX_MEMBER(Model), 0x68030009, String(), u"sModel")
      .Property(MOX_MEMBER(Location), 0x68030008, String(), u"sLocation")
      .Get(MOX_MEMBER(Name), 0x68030007, String())
      .Get(MOX_MEMBER(Path), 0x68030006, String())
      .Get(MOX_MEMBER(PrintDevices), 0x68030005, String())
      .Property(MOX_MEMBER(PrintProcessor), 0x68030004, String(), u"sPrintProcessor")
      .Property(MOX_MEMBER(Priority), 0x68030003, Long(), u"lPriority")
      .Get(MOX_MEMBER(Server), 0x68030002, String())
      .Property(MOX_MEMBER(StartTime), 0x68030001, DateTime(), u"dStartTime")
      .Property(MOX_MEMBER(UntilTime), 0x68030000, DateTime(), u"dUntilTime")
      .Method(MOX_MEMBER(Find), 0x6003000F, Boolean(),
              {Param(u"sName", String()), Param(u"sServer", String())})
      .Build();
}

}  // namespace moxtrel::typelib
