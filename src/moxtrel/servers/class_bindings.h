// The dispatch tables of the servers classes, each defined next to its class
// (servers/<class>_dispatch.cpp) and listed once by BuildMoxtrelLibrary.
#pragma once

#include "moxtrel/frame/typelib.h"

namespace moxtrel::typelib {

ClassBinding moxServerBinding();
ClassBinding moxServersBinding();
ClassBinding moxFileShareBinding();
ClassBinding moxFileSharesBinding();

}  // namespace moxtrel::typelib
