// What the type library says about members, in the words Python shows: signatures and class
// help for help() and the member objects' __doc__, names for dir(), "did you mean" suggestions,
// and identifier spellings of enum members.
//
//   SignatureOf(find)  // u"Find(sUserName: String, sParent: String = \"\", ...) -> Boolean"
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/frame/object.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::python {

std::u16string SignatureOf(const typelib::MemberInfo& member);
// The help text of a class: its properties, methods and events.
std::u16string ClassDoc(std::u16string_view class_name, const typelib::InterfaceInfo* iface,
                        const typelib::InterfaceInfo* events);
// Visible member and event names, each once, in slot order.
std::vector<std::u16string> MemberNames(const typelib::InterfaceInfo* iface,
                                        const typelib::InterfaceInfo* events);
// The closest name to `name` in `names` without regard to case, or empty when none is close.
std::u16string Suggestion(std::u16string_view name, const std::vector<std::u16string>& names);
// "mox SVCS Running" -> "moxSVCSRunning", the spelling the script host also accepts.
std::u16string IdentifierOf(std::u16string_view quoted);

// The event interface an object raises, or null.
const typelib::InterfaceInfo* EventsOf(const AutomationObject& object);
// The event member named `name` (without regard to case), or null.
const typelib::MemberInfo* FindEvent(const typelib::InterfaceInfo* events,
                                     std::u16string_view name);

}  // namespace moxtrel::python
