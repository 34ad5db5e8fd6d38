// LastFailure: why the last library member that traps its errors returned False or Nothing.
// Find, Add, Remove and the other trapping members keep their result as the object model
// gives it; the error they trapped is kept beside it, for the thread the script runs on.
//
//   If Not d.Users.Add("Bad Name") Then
//     Print Hex(LastFailure.Number), LastFailure.Description
//     Print LastFailure.Member, LastFailure.Call   ' moxUsers.Add  IADsContainer.Create ...
//   End If
//   LastFailure.Clear
//
// Each trapped failure overwrites it; only Clear (and a new session) empties it.
#pragma once

#include "host_object.h"

namespace moxtrel::script {

class LastFailureObject final : public HostObject {
 public:
  std::u16string_view TypeName() const noexcept override { return u"LastFailure"; }
  Variant Call(std::u16string_view member, uint16_t flags, std::vector<Variant>& args) override;
  std::vector<std::string> Describe() const override;
};

}  // namespace moxtrel::script
