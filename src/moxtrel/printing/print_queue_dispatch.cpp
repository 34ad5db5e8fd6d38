// _moxPrintQueue in slot order.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/class_bindings.h"
#include "moxtrel/printing/print_jobs.h"
#include "moxtrel/printing/print_queue.h"

namespace moxtrel::typelib {

ClassBinding moxPrintQueueBinding() {
  return ClassTable<moxPrintQueue>(u"moxPrintQueue")
      .Summary(
          u"A print queue of a server, with its jobs; while unbound its properties read empty and "
          u"writes to them are ignored.")
      .Creatable([] { return moxPrintQueue::Create(); })
      .Field(MOX_MEMBER(PrintJobs), 0x40030004, u"moxPrintJobs")
      .Describe(u"The jobs in the queue; no object while unbound.")
      .Property(MOX_MEMBER(DataType), 0x6803000D, String(), u"sDataType")
      .Describe(
          u"The data type the queue expects of its jobs, such as \"RAW\"; written trimmed of "
          u"blanks.")
      .Property(MOX_MEMBER(DefaultJobPriority), 0x6803000C, Long(), u"lDefaultJobPriority")
      .Describe(u"The priority a new job gets unless it asks for another.")
      .Property(MOX_MEMBER(Description), 0x6803000B, String(), u"sDescription")
      .Describe(u"The queue's description, written trimmed of blanks.")
      .Get(MOX_MEMBER(Exists), 0x6803000A, Boolean())
      .Describe(u"True while the object is bound to a print queue of the directory.")
      .Property(MOX_MEMBER(Model), 0x68030009, String(), u"sModel")
      .Describe(u"The make and model of the queue's printer, written trimmed of blanks.")
      .Property(MOX_MEMBER(Location), 0x68030008, String(), u"sLocation")
      .Describe(u"Where the queue's printer stands, written trimmed of blanks.")
      .Get(MOX_MEMBER(Name), 0x68030007, String())
      .Describe(u"The queue's name.")
      .Get(MOX_MEMBER(Path), 0x68030006, String())
      .Describe(u"The path by which clients reach the printer.")
      .Get(MOX_MEMBER(PrintDevices), 0x68030005, String())
      .Describe(u"The devices or ports the queue prints to, as text.")
      .Property(MOX_MEMBER(PrintProcessor), 0x68030004, String(), u"sPrintProcessor")
      .Describe(u"The print processor that prepares the queue's jobs, written trimmed of blanks.")
      .Property(MOX_MEMBER(Priority), 0x68030003, Long(), u"lPriority")
      .Describe(
          u"The queue's priority among queues of one printer; a value outside 1 to 99 is ignored.")
      .Get(MOX_MEMBER(Server), 0x68030002, String())
      .Describe(u"The server that holds the queue; read without a directory call.")
      .Property(MOX_MEMBER(StartTime), 0x68030001, DateTime(), u"dStartTime")
      .Describe(u"The time of day from which the queue prints.")
      .Property(MOX_MEMBER(UntilTime), 0x68030000, DateTime(), u"dUntilTime")
      .Describe(u"The time of day until which the queue prints.")
      .Method(MOX_MEMBER(Find), 0x6003000F, Boolean(),
              {Param(u"sName", String()), Param(u"sServer", String())})
      .Describe(
          u"Binds the object to the queue sName of the server sServer and lists its jobs; True "
          u"when found.")
      .Build();
}

}  // namespace moxtrel::typelib
