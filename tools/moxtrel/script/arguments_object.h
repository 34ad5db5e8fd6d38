// Arguments: the words given after the script on the command line, as a script reads them.
//
//   moxtrel report.mox HARBOR alice
//   Print Arguments.Count, Arguments(1)        ' 2 HARBOR
//   For Each a In Arguments : Print a : Next
#pragma once

#include <string>
#include <vector>

#include "host_object.h"

namespace moxtrel::script {

class ArgumentsObject final : public HostObject {
 public:
  explicit ArgumentsObject(std::vector<std::u16string> words) : words_(std::move(words)) {}
  std::u16string_view TypeName() const noexcept override { return u"Arguments"; }
  // Count; Item(i) (the default member, from 1).
  Variant Call(std::u16string_view member, uint16_t flags, std::vector<Variant>& args) override;
  std::vector<std::string> Describe() const override;
  std::optional<std::vector<Variant>> Items() const override;

 private:
  std::vector<std::u16string> words_;
};

}  // namespace moxtrel::script
