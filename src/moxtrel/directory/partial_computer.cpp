#include "moxtrel/directory/partial_computer.h"

#include <algorithm>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel::directory {

void ServedPart::Refuse(std::u16string_view where, std::u16string_view what) const {
  throw AutomationError(errc::kNotSupported,
                        std::u16string(what) + u" in " + std::u16string(where) + u": " +
                            std::u16string(backend) + u" serves only " + std::u16string(objects));
}

void PartialComputer::Put(std::u16string_view name, const Variant&) {
  throw AutomationError(errc::kNotSupported,
                        u"The property \"" + std::u16string(name) + u"\" of " + ADsPath() +
                            u" cannot be written: " + std::u16string(served_->backend) +
                            u" serves only " + std::u16string(served_->of_computer));
}

bool PartialComputer::Lists(ObjectKind kind) const noexcept {
  const auto& kinds = served_->kinds;
  return std::find(kinds.begin(), kinds.end(), kind) != kinds.end() && Allows(kind);
}

std::shared_ptr<IADs> PartialComputer::Create(std::u16string_view class_word, std::u16string_view) {
  served_->Refuse(ADsPath(), u"Create of a " + std::u16string(class_word));
}

void PartialComputer::Delete(std::u16string_view class_word, std::u16string_view) {
  served_->Refuse(ADsPath(), u"Delete of a " + std::u16string(class_word));
}

std::shared_ptr<IADs> PartialComputer::MoveHere(std::u16string_view, std::u16string_view) {
  served_->Refuse(ADsPath(), u"MoveHere");
}

}  // namespace moxtrel::directory
