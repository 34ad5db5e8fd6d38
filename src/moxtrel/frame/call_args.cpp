#include "moxtrel/frame/call_args.h"

#include <string>

#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel {
namespace {

std::u16string Number(std::size_t n) {
  return FromUtf8(std::to_string(n));
}

// Converts `v` to the parameter's type, so the member and the write-back see one form.
Variant Coerce(const Variant& v, const typelib::TypeRef& type) {
  using typelib::TypeKind;
  switch (type.kind) {
    case TypeKind::kString:
      return Variant(v.ToString());
    case TypeKind::kLong:
    case TypeKind::kEnum:
      return Variant(v.ToLong());
    case TypeKind::kBoolean:
      return Variant::Boolean(v.ToBool());
    case TypeKind::kDate:
      return Variant(v.ToDate());
    case TypeKind::kDouble:
      return Variant(v.ToDouble());
    case TypeKind::kObject: {
      if (v.IsEmpty()) return Variant(ObjectPtr());
      const ObjectPtr& object = v.AsObject();
      if (object && !type.name.empty() && !EqualsNoCase(object->TypeName(), type.name)) {
        throw AutomationError(
            errc::kTypeMismatch,
            u"Type mismatch: a " + std::u16string(object->TypeName()) + u" is not a " + type.name);
      }
      return v;
    }
    case TypeKind::kVariant:
    case TypeKind::kVoid:
      break;
  }
  return v;
}

}  // namespace

void CallArgs::Check() {
  std::vector<Variant>& args = *args_;
  const auto& params = member_->params;
  std::size_t required = 0;
  for (const auto& p : params) required += p.optional ? 0 : 1;
  if (args.size() > params.size() || args.size() < required) {
    std::u16string expected = required == params.size()
                                  ? Number(required)
                                  : Number(required) + u" to " + Number(params.size());
    throw AutomationError(errc::kBadParamCount, Where() + u": takes " + expected +
                                                    u" argument(s), not " + Number(args.size()));
  }
  slots_ = std::make_unique<Slot[]>(params.size());
  count_ = params.size();
  for (std::size_t i = 0; i < params.size(); ++i) {
    const auto& param = params[i];
    Slot& slot = slots_[i];
    slot.by_ref = param.by_ref;
    const bool omitted = i >= args.size() || args[i].IsMissing();
    if (omitted) {
      if (!param.optional) {
        throw AutomationError(errc::kParamNotOptional,
                              Where() + u": the argument " + param.name + u" is not optional");
      }
      slot.value = param.default_value.IsEmpty() ? Variant::Missing() : param.default_value;
      continue;
    }
    slot.passed = true;
    try {
      slot.value = Coerce(args[i], param.type);
    } catch (const AutomationError& e) {
      Mismatch(i, e);
    }
  }
}

const Variant& CallArgs::Value(std::size_t index) const {
  if (index >= count_) {
    throw AutomationError(errc::kBadParamCount, Where() + u": no argument " + Number(index + 1));
  }
  return slots_[index].value;
}

CallArgs::Slot& CallArgs::At(std::size_t index) {
  if (index >= count_) {
    throw AutomationError(errc::kBadParamCount, Where() + u": no argument " + Number(index + 1));
  }
  return slots_[index];
}

void CallArgs::Mismatch(std::size_t index, const AutomationError& cause) const {
  const auto& param = member_->params[index];
  // A value of the right kind but outside the type's range (a Date past 9999) stays an overflow.
  const bool overflow = cause.code() == static_cast<int32_t>(errc::kOverflow);
  throw AutomationError(overflow ? errc::kOverflow : errc::kDispTypeMismatch,
                        Where() + u": the argument " + param.name + u" must be " + param.type.name +
                            u" (" + cause.description() + u")");
}

std::u16string CallArgs::Where() const {
  return std::u16string(owner_->TypeName()) + u"." + member_->name;
}

void CallArgs::WriteBackSlots() {
  for (std::size_t i = 0; i < count_; ++i) {
    Slot& slot = slots_[i];
    if (!slot.by_ref || !slot.passed || !slot.read_typed) continue;
    Variant now = Coerce(slot.read_typed(), member_->params[i].type);
    // Only a value the member changed goes back, so the caller's variable keeps its type.
    if (!(now == slot.value)) (*args_)[i] = std::move(now);
  }
}

}  // namespace moxtrel
