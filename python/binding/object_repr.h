// How a wrapper shows itself: its class and the object's path in the directory, so a list of
// objects in a session reads as what it holds.
//
//   ReprOf(user)     // "<moxtrel.moxUser 'HARBOR/dalia'>"
//   ReprOf(created)  // "<moxtrel.moxUser unbound>" before Find binds it
//   ReprOf(users)    // "<moxtrel.moxUsers object>": a collection has no name of its own
#pragma once

#include <string>

#include "moxtrel/frame/object.h"

namespace moxtrel::python {

// Never raises: a property that cannot be read leaves the text without it.
std::string ReprOf(AutomationObject& object);

}  // namespace moxtrel::python
