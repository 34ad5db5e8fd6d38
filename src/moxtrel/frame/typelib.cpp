#include "moxtrel/frame/typelib.h"

#include <map>
#include <set>
#include <utility>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::typelib {

TypeRef Void() {
  return {TypeKind::kVoid, u"void"};
}
TypeRef String() {
  return {TypeKind::kString, u"String"};
}
TypeRef Long() {
  return {TypeKind::kLong, u"Long"};
}
TypeRef Boolean() {
  return {TypeKind::kBoolean, u"Boolean"};
}
TypeRef DateTime() {
  return {TypeKind::kDate, u"Date"};
}
TypeRef Double() {
  return {TypeKind::kDouble, u"Double"};
}
TypeRef AnyVariant() {
  return {TypeKind::kVariant, u"Variant"};
}
TypeRef Object(std::u16string class_name) {
  return {TypeKind::kObject, std::move(class_name)};
}
TypeRef Enum(std::u16string enum_name) {
  return {TypeKind::kEnum, std::move(enum_name)};
}

const char16_t* KindName(MemberKind kind) noexcept {
  switch (kind) {
    case MemberKind::kGet:
      return u"get";
    case MemberKind::kPut:
      return u"put";
    case MemberKind::kPutRef:
      return u"putref";
    case MemberKind::kMethod:
      return u"method";
  }
  return u"?";
}

std::vector<const MemberInfo*> InterfaceInfo::ByDispId(DispId dispid) const {
  std::vector<const MemberInfo*> out;
  for (const auto& m : members) {
    if (m.dispid == dispid) out.push_back(&m);
  }
  return out;
}

DispSlots InterfaceInfo::ScanSlots(DispId dispid) const {
  DispSlots slots;
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (members[i].dispid != dispid) continue;
    const auto at = static_cast<int16_t>(i);
    if (slots.first < 0) slots.first = at;
    auto& kind = slots.by_kind[static_cast<std::size_t>(members[i].kind)];
    if (kind < 0) kind = at;
  }
  return slots;
}

void InterfaceInfo::Index() {
  dispid_index.clear();
  uint32_t bits = 1;
  while ((std::size_t{1} << bits) < 2 * members.size()) ++bits;
  std::vector<DispEntry> table(std::size_t{1} << bits);
  const std::size_t mask = table.size() - 1;
  for (const auto& m : members) {
    std::size_t at = (static_cast<uint32_t>(m.dispid) * 0x9E3779B1u) >> (32 - bits);
    while (table[at].slots.first >= 0 && table[at].id != m.dispid) at = (at + 1) & mask;
    if (table[at].slots.first < 0) table[at] = DispEntry{m.dispid, ScanSlots(m.dispid)};
  }
  dispid_shift = 32 - bits;
  dispid_index = std::move(table);
}

bool InterfaceInfo::FindDispId(std::u16string_view name, DispId& out) const {
  for (const auto& m : members) {
    if (EqualsNoCase(m.name, name)) {
      out = m.dispid;
      return true;
    }
  }
  return false;
}

const ClassBinding* TypeLibrary::FindClass(std::u16string_view class_name) const {
  for (const auto& c : classes) {
    if (EqualsNoCase(c.coclass.name, class_name)) return &c;
  }
  return nullptr;
}

const InterfaceInfo* TypeLibrary::FindInterface(std::u16string_view interface_name) const {
  for (const auto& c : classes) {
    if (EqualsNoCase(c.iface.name, interface_name)) return &c.iface;
  }
  for (const auto& d : dispinterfaces) {
    if (EqualsNoCase(d.name, interface_name)) return &d;
  }
  return nullptr;
}

std::vector<std::u16string> CheckInterface(const InterfaceInfo& iface) {
  std::vector<std::u16string> problems;
  std::set<std::pair<DispId, MemberKind>> slots;
  std::map<DispId, std::u16string> name_of;
  std::map<std::u16string, DispId, NoCaseLess> dispid_of;
  const auto where = [&](const MemberInfo& m) {
    return iface.name + u"." + m.name + u" (" + KindName(m.kind) + u" " +
           DecimalText(static_cast<int64_t>(m.dispid)) + u")";
  };
  for (const auto& m : iface.members) {
    if (!slots.emplace(m.dispid, m.kind).second) {
      problems.push_back(where(m) + u": a second slot of this kind at this DISPID");
    }
    auto [named, fresh_id] = name_of.emplace(m.dispid, m.name);
    if (!fresh_id && !EqualsNoCase(named->second, m.name)) {
      problems.push_back(where(m) + u": the DISPID is already used by " + named->second);
    }
    auto [id, fresh_name] = dispid_of.emplace(m.name, m.dispid);
    if (!fresh_name && id->second != m.dispid) {
      problems.push_back(where(m) + u": the name already has another DISPID");
    }
  }
  return problems;
}

namespace {

void Require(const ClassBinding& binding) {
  std::vector<std::u16string> problems = CheckInterface(binding.iface);
  problems.insert(problems.end(), binding.problems.begin(), binding.problems.end());
  for (const auto& m : binding.iface.members) {
    if (!m.invoke) problems.push_back(binding.iface.name + u"." + m.name + u": not bound");
  }
  if (binding.coclass.creatable && !binding.coclass.factory) {
    problems.push_back(binding.coclass.name + u": creatable without a factory");
  }
  if (!problems.empty()) {
    std::u16string text = u"Invalid dispatch table:";
    for (const auto& p : problems) text += u" " + p + u";";
    throw AutomationError(errc::kFail, text);
  }
}

void AddUndescribed(const InterfaceInfo& iface, std::vector<std::u16string>& out) {
  if (iface.description.empty()) out.push_back(iface.name);
  for (const auto& m : iface.members) {
    if (m.description.empty())
      out.push_back(iface.name + u"." + m.name + u" (" + KindName(m.kind) + u")");
  }
}

// Classes added after start-up (tests); kept apart so the library's pointers stay valid.
std::vector<std::unique_ptr<ClassBinding>>& ExtraClasses() {
  static std::vector<std::unique_ptr<ClassBinding>> extra;
  return extra;
}

}  // namespace

std::vector<std::u16string> Undescribed(const TypeLibrary& lib) {
  std::vector<std::u16string> out;
  for (const auto& e : lib.enums) {
    if (e.description.empty()) out.push_back(e.name);
    for (std::size_t i = 0; i < e.members.size(); ++i) {
      if (i >= e.member_descriptions.size() || e.member_descriptions[i].empty()) {
        out.push_back(e.name + u".\"" + e.members[i].first + u"\"");
      }
    }
  }
  for (const auto& c : lib.classes) {
    if (!c.published) continue;
    if (c.coclass.description.empty()) out.push_back(c.coclass.name);
    AddUndescribed(c.iface, out);
  }
  for (const auto& d : lib.dispinterfaces) AddUndescribed(d, out);
  return out;
}

const TypeLibrary& Library() {
  static const TypeLibrary lib = [] {
    TypeLibrary built = BuildMoxtrelLibrary();
    built.classes.push_back(EnumeratorBinding());
    for (auto& c : built.classes) {
      Require(c);
      c.iface.Index();
    }
    for (const auto& d : built.dispinterfaces) {
      auto problems = CheckInterface(d);
      if (!problems.empty())
        throw AutomationError(errc::kFail, u"Invalid event interface " + d.name);
    }
    // A client reads the library to learn what each member does; a gap is a table fault.
    if (auto missing = Undescribed(built); !missing.empty()) {
      std::u16string text = u"The type library has no description for:";
      for (const auto& m : missing) text += u" " + m + u";";
      throw AutomationError(errc::kFail, text);
    }
    return built;
  }();
  return lib;
}

void RegisterExtraClass(ClassBinding binding) {
  Require(binding);
  if (BindingForType(binding.coclass.name) || Library().FindClass(binding.coclass.name)) {
    throw AutomationError(errc::kInvalidArg, binding.coclass.name + u": already registered");
  }
  binding.published = false;
  binding.iface.Index();
  ExtraClasses().push_back(std::make_unique<ClassBinding>(std::move(binding)));
}

const ClassBinding* BindingForType(std::u16string_view type_name) {
  for (const auto& c : Library().classes) {
    if (c.coclass.name == type_name) return &c;
  }
  for (const auto& c : ExtraClasses()) {
    if (c->coclass.name == type_name) return c.get();
  }
  return nullptr;
}

const ClassBinding* FindAnyClass(std::u16string_view class_name) {
  if (const ClassBinding* found = Library().FindClass(class_name)) return found;
  for (const auto& c : ExtraClasses()) {
    if (EqualsNoCase(c->coclass.name, class_name)) return c.get();
  }
  return nullptr;
}

}  // namespace moxtrel::typelib

namespace moxtrel {

std::u16string ValueParamName(const typelib::TypeRef& type, std::u16string_view property) {
  using typelib::TypeKind;
  std::u16string prefix;
  switch (type.kind) {
    case TypeKind::kString:
      prefix = u"s";
      break;
    case TypeKind::kLong:
    case TypeKind::kEnum:
      prefix = u"l";
      break;
    case TypeKind::kBoolean:
      prefix = u"b";
      break;
    case TypeKind::kDate:
      prefix = u"d";
      break;
    case TypeKind::kObject:
      prefix = u"o";
      break;
    default:
      prefix = u"v";
      break;
  }
  return prefix + std::u16string(property);
}

}  // namespace moxtrel
