// The dispatch tables of the printing classes, each defined next to its class
// (printing/<class>_dispatch.cpp) and listed once by BuildMoxtrelLibrary.
#pragma once

#include "moxtrel/frame/typelib.h"

namespace moxtrel::typelib {

ClassBinding moxPrintQueueBinding();
ClassBinding moxPrintQueuesBinding();
ClassBinding moxPrintJobBinding();
ClassBinding moxPrintJobsBinding();

// The event interface __moxPrintJobs, raised by moxPrintJobs.
InterfaceInfo PrintJobsEventInterface();

}  // namespace moxtrel::typelib
