// ClassTable: how a class's dispatch table is written, one line per member slot in slot
// order, so the table reads like the interface description it implements. MOX_MEMBER names
// the C++ member once; the slot's name is that name, and the member is called with exactly
// as many arguments as the slot has parameters (a get none, a put its value). A member that
// cannot take that many, or would take more, makes the table invalid at start-up.
//
// Every published class and member carries a one-line description: Summary() for the class,
// Describe() after each member row (a property's get and put share one). The library refuses
// to start while one is missing.
//
//   ClassBinding moxUserBinding() {
//     using typelib::String;
//     return ClassTable<moxUser>(u"moxUser")
//         .Summary(u"A user account of a domain or of a server.")
//         .Creatable([] { return moxUser::Create(); })
//         .Field(MOX_MEMBER(Groups), 0x40030006, u"moxGroups")
//         .Describe(u"The groups the account belongs to.")
//         .Property(MOX_MEMBER(FullName), 0x68030014, String())
//         .Describe(u"The account's full name.")
//         .Method(MOX_MEMBER(Find), 0x6003001F, Boolean(),
//                 {Param(u"sUserName", String()), Param(u"sParent", String()),
//                  Param(u"lUserType", Enum(u"moxType"))})
//         .Describe(u"Binds the object to the named account; True when found.")
//         .Build();
//   }
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/call_args.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel {

// A C++ member as a slot sees it: its name and a call that takes the object and the
// arguments. The trailing return type keeps a wrong argument count a substitution failure,
// so the table can ask how many arguments the member takes.
#define MOX_MEMBER(member)                                                          \
  ::moxtrel::table_detail::MakeMember(                                              \
      u"" #member, [](auto& self_, auto&&... a_) -> decltype(self_.member(a_...)) { \
        return self_.member(a_...);                                                 \
      })

namespace table_detail {

template <class F>
struct Member {
  std::u16string name;
  F call;
};
template <class F>
Member<F> MakeMember(std::u16string name, F call) {
  return Member<F>{std::move(name), std::move(call)};
}

// The most parameters a slot may have.
inline constexpr std::size_t kMaxArity = 8;

template <std::size_t>
using ArgOf = ArgRef;

template <class F, class C, std::size_t N>
constexpr bool Takes() {
  return []<std::size_t... I>(std::index_sequence<I...>) {
    return std::is_invocable_v<const F&, C&, ArgOf<I>...>;
  }
  (std::make_index_sequence<N>{});
}

template <class F, class C, std::size_t N>
decltype(auto) CallWith(const F& f, C& self, CallArgs& args) {
  return [&]<std::size_t... I>(std::index_sequence<I...>)->decltype(auto) {
    return f(self, args[I]...);
  }
  (std::make_index_sequence<N>{});
}

}  // namespace table_detail

// A required by-reference parameter, an optional one with its default, a by-value one.
inline typelib::ParamInfo Param(std::u16string name, typelib::TypeRef type) {
  return typelib::ParamInfo{std::move(name), std::move(type), true, false, Variant()};
}
inline typelib::ParamInfo Optional(std::u16string name, typelib::TypeRef type,
                                   Variant default_value) {
  return typelib::ParamInfo{std::move(name), std::move(type), true, true, std::move(default_value)};
}
inline typelib::ParamInfo ByVal(std::u16string name, typelib::TypeRef type) {
  return typelib::ParamInfo{std::move(name), std::move(type), false, false, Variant()};
}

// The name a put's value gets when the interface names none: type prefix + property name.
std::u16string ValueParamName(const typelib::TypeRef& type, std::u16string_view property);

template <class C>
class ClassTable {
  template <class F>
  using Member = table_detail::Member<F>;

 public:
  // A public class: interface "_" + name, hidden, non-extensible, dual, automation-compatible.
  explicit ClassTable(std::u16string class_name) {
    binding_.coclass.name = class_name;
    binding_.coclass.interface = u"_" + class_name;
    binding_.iface.name = u"_" + class_name;
    binding_.iface.flags = {u"hidden", u"nonextensible", u"dual", u"oleautomation"};
  }

  template <class Factory>
  ClassTable& Creatable(Factory factory) {
    binding_.coclass.creatable = true;
    binding_.coclass.factory = [factory] { return ObjectPtr(factory()); };
    return *this;
  }
  ClassTable& AppObject() {
    binding_.coclass.appobject = true;
    return *this;
  }
  ClassTable& Source(std::u16string interface_name, typelib::EventConnector connect) {
    binding_.coclass.source = std::move(interface_name);
    binding_.coclass.connect = std::move(connect);
    return *this;
  }
  // Not listed in the library: dispatches, but no client sees it in the type library.
  ClassTable& Unpublished(std::vector<std::u16string> flags = {}) {
    binding_.published = false;
    binding_.iface.flags = std::move(flags);
    return *this;
  }

  // A public object field: get, then put-by-reference, at one DISPID (the put-by-value slot
  // between them is reserved and has no entry).
  template <class F>
  ClassTable& Field(Member<F> m, DispId dispid, std::u16string class_name) {
    auto type = typelib::Object(std::move(class_name));
    Add(m, typelib::MemberKind::kGet, dispid, {}, type);
    return Add(m, typelib::MemberKind::kPutRef, dispid, {Param(ValueParamName(type, m.name), type)},
               typelib::Void());
  }
  template <class F>
  ClassTable& Get(Member<F> m, DispId dispid, typelib::TypeRef type,
                  std::vector<typelib::ParamInfo> params = {}) {
    return Add(m, typelib::MemberKind::kGet, dispid, std::move(params), std::move(type));
  }
  // A put whose value parameter the interface names (`sName`), or a derived name when empty.
  template <class F>
  ClassTable& Put(Member<F> m, DispId dispid, typelib::TypeRef type,
                  std::u16string value_name = {}) {
    if (value_name.empty()) value_name = ValueParamName(type, m.name);
    return Add(m, typelib::MemberKind::kPut, dispid, {Param(std::move(value_name), type)},
               typelib::Void());
  }
  // A get and a put in adjacent slots.
  template <class F>
  ClassTable& Property(Member<F> m, DispId dispid, typelib::TypeRef type,
                       std::u16string value_name = {}) {
    Get(m, dispid, type);
    return Put(std::move(m), dispid, std::move(type), std::move(value_name));
  }
  template <class F>
  ClassTable& Method(Member<F> m, DispId dispid, typelib::TypeRef result,
                     std::vector<typelib::ParamInfo> params) {
    return Add(m, typelib::MemberKind::kMethod, dispid, std::move(params), std::move(result));
  }
  // A method written by hand as `(C&, CallArgs&)`, for members that need the arguments
  // themselves (a by-reference out value); its arity is the caller's care.
  template <class F>
  ClassTable& Method(std::u16string name, DispId dispid, typelib::TypeRef result,
                     std::vector<typelib::ParamInfo> params, F call) {
    return AddRaw(std::move(name), typelib::MemberKind::kMethod, dispid, std::move(params),
                  std::move(result), std::move(call));
  }
  // A get or put written by hand, as above.
  template <class F>
  ClassTable& Get(std::u16string name, DispId dispid, typelib::TypeRef type, F get) {
    return AddRaw(std::move(name), typelib::MemberKind::kGet, dispid, {}, std::move(type),
                  std::move(get));
  }
  template <class F>
  ClassTable& Put(std::u16string name, DispId dispid, typelib::TypeRef type, F put) {
    auto value = Param(ValueParamName(type, name), type);
    return AddRaw(std::move(name), typelib::MemberKind::kPut, dispid, {std::move(value)},
                  typelib::Void(), std::move(put));
  }
  // What each of a collection's first rows does, for the rows' descriptions.
  struct CollectionText {
    std::u16string count;
    std::u16string exists = {};  // for classes without Exists, left out
    std::u16string item;
    std::u16string new_enum;
  };
  // The rows a collection starts with: Count, Exists(Index) when the class has it, Item(Index)
  // at the value DISPID and the hidden NewEnum.
  ClassTable& CollectionMembers(DispId count, std::optional<DispId> exists, typelib::TypeRef item,
                                const CollectionText& text) {
    Get(MOX_MEMBER(Count), count, typelib::Long()).Describe(text.count);
    if (exists) {
      Get(MOX_MEMBER(Exists), *exists, typelib::Boolean(), {Param(u"Index", typelib::AnyVariant())})
          .Describe(text.exists);
    }
    Get(MOX_MEMBER(Item), kDispIdValue, std::move(item), {Param(u"Index", typelib::AnyVariant())})
        .Describe(text.item);
    return Get(MOX_MEMBER(NewEnum), kDispIdNewEnum, typelib::Object(u"IUnknown"))
        .Hidden()
        .Describe(text.new_enum);
  }
  // The class's one-line description, shown for its coclass and its interface.
  ClassTable& Summary(std::u16string text) {
    binding_.coclass.description = text;
    binding_.iface.description = std::move(text);
    return *this;
  }
  // Describes the member written last: every trailing slot under its name that has no
  // description yet (a property's get and put, a field's get and putref).
  ClassTable& Describe(const std::u16string& text) {
    auto& members = binding_.iface.members;
    if (members.empty()) {
      binding_.problems.push_back(binding_.iface.name + u": a description before any member");
      return *this;
    }
    const std::u16string name = members.back().name;
    for (auto it = members.rbegin(); it != members.rend() && it->name == name; ++it) {
      if (!it->description.empty()) break;
      it->description = text;
    }
    return *this;
  }
  // Flags the slot added last as hidden (NewEnum).
  ClassTable& Hidden() {
    if (!binding_.iface.members.empty()) binding_.iface.members.back().hidden = true;
    return *this;
  }

  typelib::ClassBinding Build() { return std::move(binding_); }

 private:
  // Binds `m` to a slot with `params.size()` parameters. The member must take that many
  // arguments and no more (a defaulted extra parameter would silently lose the caller's
  // value); a parameterless get is exempt from "no more", since its put shares the name.
  template <class F>
  ClassTable& Add(const Member<F>& m, typelib::MemberKind kind, DispId dispid,
                  std::vector<typelib::ParamInfo> params, typelib::TypeRef result) {
    const std::size_t n = params.size();
    typelib::Invoker invoke;
    bool takes_more = false;
    [&]<std::size_t... N>(std::index_sequence<N...>) {
      ((n == N ? (invoke = BindArity<N>(m.call), takes_more = table_detail::Takes<F, C, N + 1>())
               : false),
       ...);
    }
    (std::make_index_sequence<table_detail::kMaxArity + 1>{});
    if (kind == typelib::MemberKind::kGet && n == 0) takes_more = false;
    if (!invoke || takes_more) {
      binding_.problems.push_back(binding_.iface.name + u"." + m.name + u" (" +
                                  typelib::KindName(kind) + u"): the C++ member does not take " +
                                  DecimalText(static_cast<int64_t>(n)) + u" argument(s)");
    }
    return Push(m.name, kind, dispid, std::move(params), std::move(result), std::move(invoke));
  }

  template <std::size_t N, class F>
  static typelib::Invoker BindArity(const F& f) {
    if constexpr (table_detail::Takes<F, C, N>()) {
      return Bind([f](C& self, CallArgs& args) -> decltype(auto) {
        return table_detail::CallWith<F, C, N>(f, self, args);
      });
    } else {
      return {};
    }
  }

  template <class F>
  ClassTable& AddRaw(std::u16string name, typelib::MemberKind kind, DispId dispid,
                     std::vector<typelib::ParamInfo> params, typelib::TypeRef result, F f) {
    return Push(std::move(name), kind, dispid, std::move(params), std::move(result),
                Bind(std::move(f)));
  }

  ClassTable& Push(std::u16string name, typelib::MemberKind kind, DispId dispid,
                   std::vector<typelib::ParamInfo> params, typelib::TypeRef result,
                   typelib::Invoker invoke) {
    typelib::MemberInfo member;
    member.name = std::move(name);
    member.kind = kind;
    member.dispid = dispid;
    member.params = std::move(params);
    member.result = std::move(result);
    member.invoke = std::move(invoke);
    binding_.iface.members.push_back(std::move(member));
    return *this;
  }

  template <class F>
  static typelib::Invoker Bind(F f) {
    return [f](AutomationObject& object, CallArgs& args) -> Variant {
      // The table is found by the object's exact class, so the cheap check nearly always holds.
      C* self = typeid(object) == typeid(C) ? static_cast<C*>(&object) : dynamic_cast<C*>(&object);
      if (!self) {
        throw AutomationError(errc::kNoInterface, std::u16string(object.TypeName()) +
                                                      u" is not the class of this table");
      }
      using Result = decltype(f(*self, args));
      if constexpr (std::is_void_v<Result>) {
        f(*self, args);
        return Variant();
      } else if constexpr (std::is_same_v<Result, std::u16string>) {
        return Variant::StringFrom([&] { return f(*self, args); });
      } else {
        return ToVariant(f(*self, args));
      }
    };
  }

  typelib::ClassBinding binding_;
};

}  // namespace moxtrel
