#include "moxtrel/frame/enumerator.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel {

std::shared_ptr<Enumerator> Enumerator::Create(std::shared_ptr<const EnumerableSource> source) {
  if (!source) throw AutomationError(errc::kInvalidArg, u"Enumerator: no source to enumerate");
  return std::shared_ptr<Enumerator>(new Enumerator(std::move(source)));
}

std::optional<Variant> Enumerator::Next() {
  if (position_ >= source_->Count()) return std::nullopt;
  return source_->ItemAt(position_++);
}

std::vector<Variant> Enumerator::Next(int32_t count) {
  std::vector<Variant> out;
  while (count-- > 0) {
    auto item = Next();
    if (!item) break;
    out.push_back(std::move(*item));
  }
  return out;
}

bool Enumerator::Skip(int32_t count) {
  if (count < 0) throw AutomationError(errc::kInvalidArg, u"Enumerator.Skip: a negative count");
  const int32_t left = source_->Count() - position_;
  if (count > left) {
    position_ += left;
    return false;
  }
  position_ += count;
  return true;
}

std::shared_ptr<Enumerator> Enumerator::Clone() const {
  auto copy = Create(source_);
  copy->position_ = position_;
  return copy;
}

}  // namespace moxtrel
