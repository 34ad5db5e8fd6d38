// What the type library says about members, in the words Python shows: signatures and class
// help for help() and the member objects' __doc__ with the library's descriptions, names for
// dir(), and identifier spellings of enum members.
//
//   SignatureOf(find)  // u"Find(sUserName: String, sParent: String = \"\", ...) -> Boolean"
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/frame/object.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::python {

// A property read that takes no arguments, the kind an attribute read calls directly.
inline bool IsPlainGet(const typelib::MemberInfo& m) {
  return m.kind == typelib::MemberKind::kGet && m.params.empty();
}

std::u16string SignatureOf(const typelib::MemberInfo& member);
// A member's __doc__: its signature, then the type library's description of it.
std::u16string MemberDoc(const typelib::MemberInfo& member);
// The help text of a class: its description, then its properties, methods and events, each
// with the type library's description.
std::u16string ClassDoc(std::u16string_view class_name, std::u16string_view description,
                        const typelib::InterfaceInfo* iface, const typelib::InterfaceInfo* events);
// The help text of an enum: its description, then each member's value and description.
std::u16string EnumDoc(const typelib::EnumInfo& e);
// "mox SVCS Running" -> "moxSVCSRunning", the spelling the script host also accepts.
std::u16string IdentifierOf(std::u16string_view quoted);

// The event interface an object raises, or null.
const typelib::InterfaceInfo* EventsOf(const AutomationObject& object);
// The event member named `name` (without regard to case), or null.
const typelib::MemberInfo* FindEvent(const typelib::InterfaceInfo* events,
                                     std::u16string_view name);

}  // namespace moxtrel::python
