// Err: the error state a script reads after `On Error Resume Next`.
//
//   On Error Resume Next
//   d.Users("zed").FullName = "x"
//   If Err.Number <> 0 Then Print Hex(Err.Number), Err.Description : Err.Clear
#pragma once

#include "host_object.h"
#include "script_error.h"

namespace moxtrel::script {

class ErrObject final : public HostObject {
 public:
  std::u16string_view TypeName() const noexcept override { return u"ErrObject"; }
  Variant Call(std::u16string_view member, uint16_t flags, std::vector<Variant>& args) override;
  std::vector<std::string> Describe() const override;

  void Set(const RuntimeError& e);
  void Clear();
  int32_t number() const noexcept { return number_; }

 private:
  int32_t number_ = 0;
  std::u16string description_;
  std::u16string source_;
};

}  // namespace moxtrel::script
