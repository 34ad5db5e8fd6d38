// The dispatch tables of the services classes, each defined next to its class
// (services/<class>_dispatch.cpp) and listed once by BuildMoxtrelLibrary.
#pragma once

#include "moxtrel/frame/typelib.h"

namespace moxtrel::typelib {

ClassBinding moxServiceBinding();
ClassBinding moxServicesBinding();
ClassBinding moxServiceDepsBinding();

}  // namespace moxtrel::typelib
