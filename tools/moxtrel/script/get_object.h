// GetObject: the object model's object for a directory path, created and bound as a script
// would do it by hand (CreateObject, then Find or Name), so it behaves like one made that way.
//
//   Set u = GetObject("WinNT://HARBOR/amara,user")        ' a moxUser, bound
//   Set s = GetObject("WinNT://HARBOR/HB-FILES,computer")  ' a moxServer
//
// Users and groups give moxUser and moxGroup, computers moxServer, domains moxDomain, services
// moxService, shares moxFileShare, print queues moxPrintQueue and print jobs moxPrintJob.
#pragma once

#include <string>

#include "moxtrel/frame/object.h"

namespace moxtrel::script {

// Throws RuntimeError naming the path: malformed, nothing there, or a kind of object (the file
// service) the object model has no class for.
ObjectPtr GetObject(const std::u16string& path);

}  // namespace moxtrel::script
