// The last trapped failure: why a member that traps its errors returned False or Nothing.
// Members such as Find, Add and Remove turn a failure into a False result; each such trapped
// region hands the error to NoteTrapped, which keeps it as this thread's last trapped failure and
// passes it to the hook, if one is set.
//
//   if (!users->Add(name)) {
//     if (auto why = LastTrappedFailure()) log(why->member, why->description, why->call);
//   }
//   SetTrappedFailureHook([](const TrappedFailure& f) { log(f.member, f.description); });
//
// Each trapped failure overwrites the record; nothing else changes it but
// ClearLastTrappedFailure. A member that returns False without an error (an empty name, an
// unnamed scope) leaves it as it was: clear it before the call to tell the cases apart.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "moxtrel/frame/automation_error.h"

namespace moxtrel {

struct TrappedFailure {
  int32_t code = 0;            // the error's status code
  std::u16string source;       // what raised it: "IADsContainer.Create", or "moxtrel"
  std::u16string description;  // the error's description
  std::u16string call;         // the provider call that failed; empty when none did
  std::u16string member;       // the member that trapped it: "moxUsers.Add"
};

// Call in a trapped region's catch block. Never throws: a hook that throws is ignored.
void NoteTrapped(std::u16string_view member, const AutomationError& error) noexcept;

// This thread's last trapped failure, if any since the thread began or the last clear.
std::optional<TrappedFailure> LastTrappedFailure();
void ClearLastTrappedFailure() noexcept;

// Called for every trapped failure, on the thread that trapped it, after the record is set.
// One hook for the process; returns the one it replaces. An empty hook removes it.
using TrappedFailureHook = std::function<void(const TrappedFailure&)>;
TrappedFailureHook SetTrappedFailureHook(TrappedFailureHook hook);

// Source of a failure that no provider call raised.
inline constexpr std::u16string_view kLibrarySource = u"moxtrel";

}  // namespace moxtrel
