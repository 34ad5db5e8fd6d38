// Help for a script's mistakes: the closest known name to a misspelt one, and a member's
// signature for an argument-count error.
//
//   DidYouMean(u"FulName", {u"FullName", u"Name"});    // u" (did you mean \"FullName\"?)"
//   MemberSignature(*iface, u"Find", kDispatchMethod);  // u"Find(sName As String, ...) As Boolean"
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/frame/typelib.h"

namespace moxtrel::script {

// Edits (insertions, deletions, substitutions, swaps of neighbours) from `a` to `b`, without
// regard to case.
size_t EditDistance(std::u16string_view a, std::u16string_view b);

// The candidate closest to `wrong`, if one is close enough to be what was meant: a third of the
// name's letters may differ (at least one, at most three). Ties go to the first candidate.
std::optional<std::u16string> ClosestName(std::u16string_view wrong,
                                          const std::vector<std::u16string>& candidates);

// " (did you mean "X"?)" with the closest candidate, or empty when none is close.
std::u16string DidYouMean(std::u16string_view wrong, const std::vector<std::u16string>& candidates);

// The names of an interface's members that a script may call (hidden ones left out).
std::vector<std::u16string> MemberNames(const typelib::InterfaceInfo& iface);

// Every class of the type library a script may create.
std::vector<std::u16string> CreatableClassNames();

// Every published class, interface, event interface and enum, as `moxtrel typelib` takes them.
std::vector<std::u16string> TypeLibraryNames();

// Every enum member, bracketed as a script writes one with blanks ("[mox SVCS Running]").
std::vector<std::u16string> EnumMemberNames();

// "Find(sName As String, [sServer As String]) As Boolean": the slot of `member` that a call
// with `flags` reaches, or the first slot of that name; empty when the interface has none.
std::u16string MemberSignature(const typelib::InterfaceInfo& iface, std::u16string_view member,
                               uint16_t flags);

}  // namespace moxtrel::script
