// The dispatch tables of the accounts classes, each defined next to its class
// (accounts/<class>_dispatch.cpp) and listed once by BuildMoxtrelLibrary.
#pragma once

#include "moxtrel/frame/typelib.h"

namespace moxtrel::typelib {

ClassBinding moxDomainBinding();
ClassBinding moxUserBinding();
ClassBinding moxUsersBinding();
ClassBinding moxGroupBinding();
ClassBinding moxGroupsBinding();

}  // namespace moxtrel::typelib
