// ClassTable: how a class's dispatch table is written, one line per member slot in slot
// order, so the table reads like the interface description it implements.
//
//   ClassBinding moxUserBinding() {
//     using typelib::String;
//     return ClassTable<moxUser>(u"moxUser")
//         .Creatable([] { return moxUser::Create(); })
//         .Field(u"Groups", 0x40030006, u"moxGroups", MOX_GET(Groups), MOX_PUT(Groups))
//         .Property(u"FullName", 0x68030014, String(), MOX_GET(FullName), MOX_PUT(FullName))
//         .Get(u"Domain", 0x68030016, String(), MOX_GET(Domain))
//         .Method(u"Find", 0x6003001F, Boolean(),
//                 {Param(u"sUserName", String()), Param(u"sParent", String()),
//                  Param(u"lUserType", Enum(u"moxType"))},
//                 MOX_CALL(Find, 3))
//         .Build();
//   }
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/call_args.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel {

// The C++ member a slot calls: a get, a one-value put, or a call with `n` arguments.
#define MOX_GET(member) [](auto& self_, ::moxtrel::CallArgs&) { return self_.member(); }
#define MOX_PUT(member) [](auto& self_, ::moxtrel::CallArgs& args_) { self_.member(args_[0]); }
#define MOX_CALL(member, n)                                                             \
  [](auto& self_, ::moxtrel::CallArgs& args_) -> decltype(auto) {                       \
    return ::moxtrel::table_detail::Apply<n>(                                           \
        args_, [&self_](auto&&... a) -> decltype(auto) { return self_.member(a...); }); \
  }

namespace table_detail {
template <std::size_t... I, class F>
decltype(auto) ApplyImpl(CallArgs& args, F&& f, std::index_sequence<I...>) {
  return f(args[I]...);
}
template <std::size_t N, class F>
decltype(auto) Apply(CallArgs& args, F&& f) {
  return ApplyImpl(args, std::forward<F>(f), std::make_index_sequence<N>{});
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
  template <class G, class P>
  ClassTable& Field(std::u16string name, DispId dispid, std::u16string class_name, G get, P put) {
    auto type = typelib::Object(std::move(class_name));
    Add(name, typelib::MemberKind::kGet, dispid, {}, type, std::move(get));
    Add(name, typelib::MemberKind::kPutRef, dispid, {Param(ValueParamName(type, name), type)},
        typelib::Void(), std::move(put));
    return *this;
  }
  template <class G>
  ClassTable& Get(std::u16string name, DispId dispid, typelib::TypeRef type, G get,
                  std::vector<typelib::ParamInfo> params = {}) {
    return Add(std::move(name), typelib::MemberKind::kGet, dispid, std::move(params),
               std::move(type), std::move(get));
  }
  // A put whose value parameter the interface names (`sName`), or a derived name when empty.
  template <class P>
  ClassTable& Put(std::u16string name, DispId dispid, typelib::TypeRef type, P put,
                  std::u16string value_name = {}) {
    if (value_name.empty()) value_name = ValueParamName(type, name);
    return Add(std::move(name), typelib::MemberKind::kPut, dispid,
               {Param(std::move(value_name), type)}, typelib::Void(), std::move(put));
  }
  // A get and a put in adjacent slots.
  template <class G, class P>
  ClassTable& Property(std::u16string name, DispId dispid, typelib::TypeRef type, G get, P put,
                       std::u16string value_name = {}) {
    Get(name, dispid, type, std::move(get));
    return Put(std::move(name), dispid, std::move(type), std::move(put), std::move(value_name));
  }
  template <class F>
  ClassTable& Method(std::u16string name, DispId dispid, typelib::TypeRef result,
                     std::vector<typelib::ParamInfo> params, F call) {
    return Add(std::move(name), typelib::MemberKind::kMethod, dispid, std::move(params),
               std::move(result), std::move(call));
  }
  // Flags the slot added last as hidden (NewEnum).
  ClassTable& Hidden() {
    if (!binding_.iface.members.empty()) binding_.iface.members.back().hidden = true;
    return *this;
  }

  typelib::ClassBinding Build() { return std::move(binding_); }

 private:
  template <class F>
  ClassTable& Add(std::u16string name, typelib::MemberKind kind, DispId dispid,
                  std::vector<typelib::ParamInfo> params, typelib::TypeRef result, F f) {
    typelib::MemberInfo member;
    member.name = std::move(name);
    member.kind = kind;
    member.dispid = dispid;
    member.params = std::move(params);
    member.result = std::move(result);
    member.invoke = Bind(std::move(f));
    binding_.iface.members.push_back(std::move(member));
    return *this;
  }

  template <class F>
  static typelib::Invoker Bind(F f) {
    return [f](AutomationObject& object, CallArgs& args) -> Variant {
      C* self = dynamic_cast<C*>(&object);
      if (!self) {
        throw AutomationError(errc::kNoInterface, std::u16string(object.TypeName()) +
                                                      u" is not the class of this table");
      }
      if constexpr (std::is_void_v<decltype(f(*self, args))>) {
        f(*self, args);
        return Variant();
      } else {
        return ToVariant(f(*self, args));
      }
    };
  }

  typelib::ClassBinding binding_;
};

}  // namespace moxtrel
