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

#include "moxtrel/frame/near_names.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::script {

// The shared rule (near_names.h) under the names the script host has always used.
using moxtrel::ClosestName;
using moxtrel::CreatableClassNames;
using moxtrel::EditDistance;
using moxtrel::MemberNames;

// " (did you mean "X"?)" with the closest candidate, or empty when none is close.
std::u16string DidYouMean(std::u16string_view wrong, const std::vector<std::u16string>& candidates);

// Every published class, interface, event interface and enum, as `moxtrel typelib` takes them.
std::vector<std::u16string> TypeLibraryNames();

// Every enum member, bracketed as a script writes one with blanks ("[mox SVCS Running]").
std::vector<std::u16string> EnumMemberNames();

// "Find(sName As String, [sServer As String]) As Boolean": the slot of `member` that a call
// with `flags` reaches, or the first slot of that name; empty when the interface has none.
std::u16string MemberSignature(const typelib::InterfaceInfo& iface, std::u16string_view member,
                               uint16_t flags);

}  // namespace moxtrel::script
