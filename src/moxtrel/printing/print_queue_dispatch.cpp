// _moxPrintQueue in slot order.
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/print_jobs.h"
#include "moxtrel/printing/print_queue.h"

namespace moxtrel::typelib {

ClassBinding moxPrintQueueBinding() {
  return ClassTable<moxPrintQueue>(u"moxPrintQueue")
      .Creatable([] { return moxPrintQueue::Create(); })
      .Field(u"PrintJobs", 0x40030004, u"moxPrintJobs", MOX_GET(PrintJobs), MOX_PUT(PrintJobs))
      .Property(u"DataType", 0x6803000D, String(), MOX_GET(DataType), MOX_PUT(DataType),
                u"sDataType")
      .Property(u"DefaultJobPriority", 0x6803000C, Long(), MOX_GET(DefaultJobPriority),
                MOX_PUT(DefaultJobPriority), u"lDefaultJobPriority")
      .Property(u"Description", 0x6803000B, String(), MOX_GET(Description), MOX_PUT(Description),
                u"sDescription")
      .Get(u"Exists", 0x6803000A, Boolean(), MOX_GET(Exists))
      .Property(u"Model", 0x68030009, String(), MOX_GET(Model), MOX_PUT(Model), u"sModel")
      .Property(u"Location", 0x68030008, String(), MOX_GET(Location), MOX_PUT(Location),
                u"sLocation")
      .Get(u"Name", 0x68030007, String(), MOX_GET(Name))
      .Get(u"Path", 0x68030006, String(), MOX_GET(Path))
      .Get(u"PrintDevices", 0x68030005, String(), MOX_GET(PrintDevices))
      .Property(u"PrintProcessor", 0x68030004, String(), MOX_GET(PrintProcessor),
                MOX_PUT(PrintProcessor), u"sPrintProcessor")
      .Property(u"Priority", 0x68030003, Long(), MOX_GET(Priority), MOX_PUT(Priority), u"lPriority")
      .Get(u"Server", 0x68030002, String(), MOX_GET(Server))
      .Property(u"StartTime", 0x68030001, DateTime(), MOX_GET(StartTime), MOX_PUT(StartTime),
                u"dStartTime")
      .Property(u"UntilTime", 0x68030000, DateTime(), MOX_GET(UntilTime), MOX_PUT(UntilTime),
                u"dUntilTime")
      .Method(u"Find", 0x6003000F, Boolean(),
              {Param(u"sName", String()), Param(u"sServer", String())}, MOX_CALL(Find, 2))
      .Build();
}

}  // namespace moxtrel::typelib
