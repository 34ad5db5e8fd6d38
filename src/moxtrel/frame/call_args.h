// CallArgs: the arguments of one late-bound call, counted, defaulted and type-checked against
// the member's parameter list before the C++ member runs, then handed to it as typed values.
// By-reference values the member changes are written back into the caller's argument list.
//
//   // inside a table: the proxy converts to whatever the C++ parameter takes
//   [](moxUser& u, CallArgs& a) { return u.Find(a[0], a[1], a[2]); }
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/date.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/typelib.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel {

namespace detail {
template <class T>
struct IsSharedPtr : std::false_type {};
template <class T>
struct IsSharedPtr<std::shared_ptr<T>> : std::true_type {
  using element = T;
};
template <class>
inline constexpr bool kAlwaysFalse = false;
}  // namespace detail

// A Variant as the C++ type a member takes; conversion failures throw AutomationError.
template <class T>
T FromVariant(const Variant& v) {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, Variant>) {
    return v;
  } else if constexpr (std::is_same_v<U, std::u16string>) {
    return v.ToString();
  } else if constexpr (std::is_same_v<U, bool>) {
    return v.ToBool();
  } else if constexpr (std::is_same_v<U, int32_t>) {
    return v.ToLong();
  } else if constexpr (std::is_same_v<U, int16_t>) {
    return v.ToInteger();
  } else if constexpr (std::is_same_v<U, double>) {
    return v.ToDouble();
  } else if constexpr (std::is_same_v<U, Date>) {
    return v.ToDate();
  } else if constexpr (std::is_enum_v<U>) {
    return static_cast<U>(v.ToLong());
  } else if constexpr (detail::IsSharedPtr<U>::value) {
    using E = typename detail::IsSharedPtr<U>::element;
    if (v.IsEmpty() || !v.AsObject()) return nullptr;
    auto typed = std::dynamic_pointer_cast<E>(v.AsObject());
    if (!typed) {
      throw AutomationError(errc::kTypeMismatch, u"Type mismatch: the object is a " +
                                                     std::u16string(v.AsObject()->TypeName()));
    }
    return typed;
  } else {
    static_assert(detail::kAlwaysFalse<U>, "no conversion from Variant to this type");
  }
}

// A C++ result as the Variant a client sees: Booleans as 16-bit -1/0, enums as Long.
template <class T>
Variant ToVariant(T&& value) {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, bool>) {
    return Variant::Boolean(value);
  } else if constexpr (std::is_enum_v<U>) {
    return Variant(static_cast<int32_t>(value));
  } else if constexpr (std::is_same_v<U, std::u16string_view>) {
    return Variant(std::u16string(value));
  } else if constexpr (detail::IsSharedPtr<U>::value) {
    return Variant(ObjectPtr(std::forward<T>(value)));
  } else {
    return Variant(std::forward<T>(value));
  }
}

class CallArgs;

// One argument, converting itself to the parameter type of the C++ member it is passed to.
class ArgRef {
 public:
  ArgRef(CallArgs& args, std::size_t index) : args_(&args), index_(index) {}
  template <class T>
  operator T&() const;  // NOLINT(google-explicit-constructor): the point of the proxy

 private:
  CallArgs* args_;
  std::size_t index_;
};

class CallArgs {
 public:
  // Checks `args` against `member`: too many or too few give kBadParamCount, a required one
  // passed as Missing gives kParamNotOptional, one that does not convert kDispTypeMismatch.
  // `owner`'s class name and the member name name the member in messages ("moxUser.Find").
  // A call with no parameters and no arguments, a property get, has nothing to check.
  CallArgs(const AutomationObject& owner, const typelib::MemberInfo& member,
           std::vector<Variant>& args)
      : owner_(&owner), member_(&member), args_(&args) {
    if (!args.empty() || !member.params.empty()) Check();
  }

  std::size_t size() const noexcept { return count_; }
  ArgRef operator[](std::size_t index) { return ArgRef(*this, index); }
  // The argument as checked: converted to the parameter's type, or its default.
  const Variant& Value(std::size_t index) const;

  // The argument as a C++ value that stays alive for the call; what the member writes to it
  // is written back by WriteBack when the parameter is by reference.
  template <class T>
  T& Typed(std::size_t index);

  // Copies changed by-reference values into the caller's arguments.
  void WriteBack() {
    if (count_ != 0) WriteBackSlots();
  }

 private:
  struct Slot {
    Variant value;
    std::any typed;
    std::u16string view_backing;          // storage behind a u16string_view parameter
    std::function<Variant()> read_typed;  // the typed value as a Variant, once converted
    bool by_ref = false;
    bool passed = false;  // the caller supplied a value that can take a write-back
  };

  void Check();
  void WriteBackSlots();
  Slot& At(std::size_t index);
  [[noreturn]] void Mismatch(std::size_t index, const AutomationError& cause) const;

  // "moxUser.Find" for messages, built only when one is raised.
  std::u16string Where() const;

  const AutomationObject* owner_;
  const typelib::MemberInfo* member_;
  std::vector<Variant>* args_;
  // An array rather than a vector: a get has none, and its empty array is freed inline.
  std::unique_ptr<Slot[]> slots_;
  std::size_t count_ = 0;
};

template <class T>
T& CallArgs::Typed(std::size_t index) {
  using U = std::remove_cv_t<T>;
  Slot& slot = At(index);
  if (U* held = std::any_cast<U>(&slot.typed)) return *held;
  try {
    if constexpr (std::is_same_v<U, std::u16string_view>) {
      slot.view_backing = slot.value.ToString();
      slot.typed = std::u16string_view(slot.view_backing);
    } else {
      slot.typed = FromVariant<U>(slot.value);
    }
  } catch (const AutomationError& e) {
    Mismatch(index, e);
  }
  U* held = std::any_cast<U>(&slot.typed);
  slot.read_typed = [held] { return ToVariant(*held); };
  return *held;
}

template <class T>
ArgRef::operator T&() const {
  return args_->Typed<std::remove_cv_t<T>>(index_);
}

}  // namespace moxtrel
