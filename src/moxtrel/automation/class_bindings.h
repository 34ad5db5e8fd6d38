// The dispatch table of each public class, each defined next to its class
// (accounts/user_dispatch.cpp, ...) and listed once by BuildMoxtrelLibrary.
#pragma once

#include "moxtrel/frame/typelib.h"

namespace moxtrel::typelib {

ClassBinding moxDomainBinding();
ClassBinding moxUserBinding();
ClassBinding moxUsersBinding();
ClassBinding moxGroupBinding();
ClassBinding moxGroupsBinding();
ClassBinding moxServerBinding();
ClassBinding moxServersBinding();
ClassBinding moxFileShareBinding();
ClassBinding moxFileSharesBinding();
ClassBinding moxPrintQueueBinding();
ClassBinding moxPrintQueuesBinding();
ClassBinding moxPrintJobBinding();
ClassBinding moxPrintJobsBinding();
ClassBinding moxServiceBinding();
ClassBinding moxServicesBinding();
ClassBinding moxServiceDepsBinding();
ClassBinding moxCurrentEnvironmentBinding();

// The event interface __moxPrintJobs.
InterfaceInfo PrintJobsEventInterface();

}  // namespace moxtrel::typelib
