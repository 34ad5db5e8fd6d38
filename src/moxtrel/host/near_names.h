// Near names: the one rule by which every client of the library (the script host, the Python
// package) offers the name a slip was meant to be, so both offer the same name for the same slip.
//
//   ClosestName(u"FulName", {u"Name", u"FullName"});    // u"FullName"
//   ClosestClassName(u"Moxtrel.moxUsr");                // u"Moxtrel.moxUser"
//   ClosestMemberName(u"FulName", iface, nullptr);      // u"FullName"
//
// Each host words the offer its own way; which name is offered is decided here only.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moxtrel {
namespace typelib {
struct InterfaceInfo;
}
}  // namespace moxtrel

namespace moxtrel::host {

// Edits (insertions, deletions, substitutions, swaps of neighbours) from `a` to `b`, without
// regard to case.
std::size_t EditDistance(std::u16string_view a, std::u16string_view b);

// The candidate closest to `wrong`, if one is close enough to be what was meant: a third of the
// name's letters may differ (at least one, at most three). The name itself is no suggestion;
// ties go to the first candidate.
std::optional<std::u16string> ClosestName(std::u16string_view wrong,
                                          const std::vector<std::u16string>& candidates);

// The names of an interface's members that a client may call (hidden ones left out), in slot
// order; a property's get and put give its name twice.
std::vector<std::u16string> MemberNames(const typelib::InterfaceInfo& iface);

// The names a client reaches an object's members by: its interface's members that a client
// may call, once each without regard to case, in slot order, then the names of its events
// (`events` may be null, as it is for a script, which connects events with Connect and never
// names one as a member; the Python module reaches them as attributes).
std::vector<std::u16string> ObjectMemberNames(const typelib::InterfaceInfo* iface,
                                              const typelib::InterfaceInfo* events);

// The one of ObjectMemberNames(iface, events) closest to a misspelt member.
std::optional<std::u16string> ClosestMemberName(std::u16string_view wrong,
                                                const typelib::InterfaceInfo* iface,
                                                const typelib::InterfaceInfo* events);

// Every class of the type library a client may create.
std::vector<std::u16string> CreatableClassNames();

// The creatable class closest to `class_name`, matched without its library name ("Moxtrel.")
// and given back with it.
std::optional<std::u16string> ClosestClassName(std::u16string_view class_name);

}  // namespace moxtrel::host
