// How the prompt shows values: an object as its class and its readable properties, one a
// line, as shells show objects; and a class's members, sorted by name, for :members.
//
//   out << ToUtf8(ShowForPrompt(value));        // "moxUser\n  FullName : Alice\n..."
//   for (auto& line : ListMembers(*iface, u"User*")) out << line << '\n';
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/frame/typelib.h"
#include "moxtrel/frame/variant.h"
#include "script/host_object.h"

namespace moxtrel::script {

// An object (not Nothing) in full; anything else as Print shows it. A property whose get
// fails shows the error's text in place of its value.
std::u16string ShowForPrompt(const Variant& value);

// Whether `name` matches a pattern with * and ?, without regard to case. A pattern without
// either matches the names that begin with it; an empty pattern matches every name.
bool MatchesPattern(std::u16string_view name, std::u16string_view pattern);

// One line per member name, sorted: "FullName As String  [get, put]",
// "AddToGroup(sGroup As String, [sDomain As String]) As Boolean  [method]".
std::vector<std::string> ListMembers(const typelib::InterfaceInfo& iface,
                                     std::u16string_view pattern = {});
// The same for a host object (Err, Directory), from its own description.
std::vector<std::string> ListMembers(const HostObject& host, std::u16string_view pattern = {});

// The names of the readable properties a printed object shows, in the interface's order.
std::vector<std::u16string> ReadableProperties(const typelib::InterfaceInfo& iface);

}  // namespace moxtrel::script
