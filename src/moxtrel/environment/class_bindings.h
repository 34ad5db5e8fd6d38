// The dispatch tables of the environment classes, each defined next to its class
// (environment/<class>_dispatch.cpp) and listed once by BuildMoxtrelLibrary.
#pragma once

#include "moxtrel/frame/typelib.h"

namespace moxtrel::typelib {

ClassBinding moxCurrentEnvironmentBinding();

}  // namespace moxtrel::typelib
