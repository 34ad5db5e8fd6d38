#include "moxtrel/frame/dispatch.h"

#include <cstdio>
#include <exception>
#include <string>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/call_args.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::dispatch {

namespace detail {
struct BindingCache {
  static const typelib::ClassBinding*& Of(const AutomationObject& object) noexcept {
    return object.binding_;
  }
};
}  // namespace detail

namespace {

using typelib::ClassBinding;
using typelib::MemberInfo;
using typelib::MemberKind;

std::u16string Hex(DispId id) {
  return HexText(static_cast<uint32_t>(id), 8, /*prefixed=*/true);
}

const ClassBinding& FindBinding(const AutomationObject& object, uint32_t code) {
  const ClassBinding*& cached = detail::BindingCache::Of(object);
  const ClassBinding* binding = typelib::BindingForType(object.TypeName());
  if (!binding) {
    throw AutomationError(code, u"An object of type " + std::u16string(object.TypeName()) +
                                    u" has no late-bound members");
  }
  // Bindings live as long as the process (the library's table or a registered extra class).
  cached = binding;
  return *binding;
}

// The binding the object carries, found by its type name on the first call.
inline const ClassBinding& RequireBinding(const AutomationObject& object, uint32_t code) {
  const ClassBinding* cached = detail::BindingCache::Of(object);
  return cached ? *cached : FindBinding(object, code);
}

// The slots of one DISPID, by kind.
struct Slots {
  const typelib::InterfaceInfo& iface;
  typelib::DispSlots at;
  const MemberInfo* Find(MemberKind kind) const {
    const int16_t i = at.by_kind[static_cast<std::size_t>(kind)];
    return i < 0 ? nullptr : &iface.members[static_cast<std::size_t>(i)];
  }
  const MemberInfo& First() const { return iface.members[static_cast<std::size_t>(at.first)]; }
};

// Picks the slot a call means. Reads accept a get or a method either way, as scripts cannot
// always tell them apart; a put falls back to put-by-reference for an object value.
// `where` builds the member's name for an error message; it runs only on error.
template <class Where>
const MemberInfo& Choose(const Slots& entries, uint16_t flags, const std::vector<Variant>& args,
                         Where&& where) {
  const bool put = flags & kDispatchPut;
  const bool putref = flags & kDispatchPutRef;
  const bool get = flags & kDispatchGet;
  const bool method = flags & kDispatchMethod;
  if (put || putref) {
    const MemberInfo* m = nullptr;
    if (putref) m = entries.Find(MemberKind::kPutRef);
    if (!m && put) m = entries.Find(MemberKind::kPut);
    if (!m && put && !args.empty() && args.back().IsObject()) {
      m = entries.Find(MemberKind::kPutRef);
    }
    if (m) return *m;
    const char16_t* why = entries.Find(MemberKind::kPutRef)
                              ? u" takes only an object, assigned by reference"
                          : entries.Find(MemberKind::kGet) ? u" is read-only"
                                                           : u" is a method and cannot be assigned";
    throw AutomationError(errc::kMemberNotFound, where() + why);
  }
  if (get || method) {
    const MemberInfo* m = nullptr;
    if (method) m = entries.Find(MemberKind::kMethod);
    if (!m && get) m = entries.Find(MemberKind::kGet);
    if (!m) m = entries.Find(MemberKind::kMethod);
    if (!m) m = entries.Find(MemberKind::kGet);
    if (m) return *m;
    throw AutomationError(errc::kMemberNotFound, where() + u" cannot be read");
  }
  throw AutomationError(errc::kInvalidArg, where() +
                                               u": the call names no kind (get, put, putref "
                                               u"or method)");
}

}  // namespace

DispId GetIDOfName(const AutomationObject& object, std::u16string_view name) {
  const ClassBinding& binding = RequireBinding(object, errc::kUnknownName);
  DispId id = 0;
  if (!binding.iface.FindDispId(name, id)) {
    throw AutomationError(errc::kUnknownName, std::u16string(object.TypeName()) +
                                                  u" has no member named \"" +
                                                  std::u16string(name) + u"\"");
  }
  return id;
}

Variant Invoke(AutomationObject& object, DispId id, uint16_t flags, std::vector<Variant>& args) {
  const ClassBinding& binding = RequireBinding(object, errc::kMemberNotFound);
  const Slots entries{binding.iface, binding.iface.SlotsOf(id)};
  if (entries.at.first < 0) {
    throw AutomationError(errc::kMemberNotFound, std::u16string(object.TypeName()) +
                                                     u" has no member with DISPID " + Hex(id));
  }
  auto where = [&] { return std::u16string(object.TypeName()) + u"." + entries.First().name; };
  const MemberInfo& member = Choose(entries, flags, args, where);
  CallArgs call(object, member, args);
  // The result is built in place: a getter's string is not moved through an empty Variant.
  Variant result = [&] {
    try {
      return member.invoke(object, call);
    } catch (const AutomationError&) {
      throw;
    } catch (const std::exception& e) {
      // Nothing but AutomationError crosses the automation boundary.
      throw AutomationError(errc::kFail, where() + u": " + FromUtf8(e.what()));
    }
  }();
  call.WriteBack();
  return result;
}

Variant InvokeByName(AutomationObject& object, std::u16string_view name, uint16_t flags,
                     std::vector<Variant>& args) {
  return Invoke(object, GetIDOfName(object, name), flags, args);
}

const typelib::InterfaceInfo* InterfaceOf(const AutomationObject& object) {
  const ClassBinding*& cached = detail::BindingCache::Of(object);
  if (!cached) cached = typelib::BindingForType(object.TypeName());
  return cached ? &cached->iface : nullptr;
}

std::string TypeLibraryJson() {
  return typelib::TypeLibraryJson(typelib::Library());
}
std::u16string TypeLibraryText() {
  return typelib::TypeLibraryText(typelib::Library());
}

std::u16string TypeLibraryClassText(std::u16string_view name) {
  return typelib::ClassText(typelib::Library(), name);
}

}  // namespace moxtrel::dispatch
