#include "binding/member_text.h"

#include <algorithm>
#include <map>

#include "moxtrel/frame/text.h"
#include "moxtrel/host/near_names.h"

namespace moxtrel::python {
namespace {

std::u16string DefaultText(const Variant& value) {
  if (value.IsString()) return u"\"" + value.AsString() + u"\"";
  if (value.type() == VarType::kBoolean) return value.ToBool() ? u"True" : u"False";
  return value.Describe();
}

// `text` broken into lines of at most 80 columns at blanks, each indented by `indent`; empty
// for empty text.
std::u16string Wrapped(std::u16string_view text, std::size_t indent) {
  constexpr std::size_t kWidth = 80;
  std::u16string out, line;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find(u' ', at);
    if (end == std::u16string_view::npos) end = text.size();
    const std::u16string_view word = text.substr(at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    if (!line.empty() && indent + line.size() + 1 + word.size() > kWidth) {
      out += std::u16string(indent, u' ') + line + u"\n";
      line.clear();
    }
    if (!line.empty()) line += u' ';
    line += word;
  }
  if (!line.empty()) out += std::u16string(indent, u' ') + line + u"\n";
  return out;
}

}  // namespace

std::u16string SignatureOf(const typelib::MemberInfo& member) {
  std::u16string out = member.name + u"(";
  for (std::size_t i = 0; i < member.params.size(); ++i) {
    const auto& p = member.params[i];
    if (i) out += u", ";
    out += p.name + u": " + p.type.name;
    if (p.optional)
      out += u" = " + (p.default_value.IsEmpty() ? u"<omitted>" : DefaultText(p.default_value));
  }
  out += u")";
  if (member.result.kind != typelib::TypeKind::kVoid) out += u" -> " + member.result.name;
  return out;
}

std::u16string MemberDoc(const typelib::MemberInfo& member) {
  std::u16string doc = SignatureOf(member);
  if (!member.description.empty()) doc += u"\n\n" + member.description;
  return doc;
}

std::u16string ClassDoc(std::u16string_view class_name, std::u16string_view description,
                        const typelib::InterfaceInfo* iface, const typelib::InterfaceInfo* events) {
  std::u16string props, methods, event_lines;
  if (iface) {
    // One entry per DISPID: a property's get and put(s) share it and its description.
    std::map<DispId, bool> seen;
    for (const auto& m : iface->members) {
      if (m.hidden || seen.count(m.dispid)) continue;
      seen[m.dispid] = true;
      const auto slots = iface->ByDispId(m.dispid);
      const typelib::MemberInfo* get = nullptr;
      bool put = false, putref = false;
      for (const auto* s : slots) {
        if (IsPlainGet(*s)) get = s;
        put = put || s->kind == typelib::MemberKind::kPut;
        putref = putref || s->kind == typelib::MemberKind::kPutRef;
      }
      if (get) {
        const char16_t* access = put      ? u"read/write"
                                 : putref ? u"object field, assignable"
                                          : u"read-only";
        props += u"  " + get->name + u": " + get->result.name + u"  (" + access + u")\n" +
                 Wrapped(get->description, 6);
      } else if (put || putref) {
        props += u"  " + m.name + u": " + m.params.back().type.name + u"  (write-only)\n" +
                 Wrapped(m.description, 6);
      } else {
        methods += u"  " + SignatureOf(m) + u"\n" + Wrapped(m.description, 6);
      }
    }
  }
  if (events) {
    for (const auto& e : events->members) {
      event_lines += u"  " + SignatureOf(e) + u"\n" + Wrapped(e.description, 6);
    }
  }
  std::u16string doc = Wrapped(std::u16string(class_name) + u": " +
                                   (description.empty() ? std::u16string(u"an automation object.")
                                                        : std::u16string(description)),
                               0);
  doc += u"\nMembers are found without regard to case.\n";
  if (!props.empty()) doc += u"\nProperties:\n" + props;
  if (!methods.empty()) {
    doc += u"\nMethods (by-reference results with .byref(...), which returns a tuple):\n" + methods;
  }
  if (!event_lines.empty()) {
    doc +=
        u"\nEvents (obj.<Event>.connect(handler); delivered inside moxtrel.pump):\n" + event_lines;
  }
  return doc;
}

std::u16string EnumDoc(const typelib::EnumInfo& e) {
  std::u16string doc = Wrapped(e.name + u": " + e.description, 0) + u"\nMembers:\n";
  for (std::size_t i = 0; i < e.members.size(); ++i) {
    const auto& [name, value] = e.members[i];
    doc += u"  " + IdentifierOf(name) + u" = " + DecimalText(int64_t{value}) + u"\n";
    if (i < e.member_descriptions.size()) doc += Wrapped(e.member_descriptions[i], 6);
  }
  return doc;
}

std::u16string IdentifierOf(std::u16string_view quoted) {
  std::u16string out;
  for (char16_t c : quoted) {
    if (c != u' ') out += c;
  }
  return out;
}

const typelib::InterfaceInfo* EventsOf(const AutomationObject& object) {
  const typelib::ClassBinding* binding = typelib::BindingForType(object.TypeName());
  if (!binding || binding->coclass.source.empty()) return nullptr;
  for (const auto& d : typelib::Library().dispinterfaces) {
    if (EqualsNoCase(d.name, binding->coclass.source)) return &d;
  }
  return nullptr;
}

const typelib::MemberInfo* FindEvent(const typelib::InterfaceInfo* events,
                                     std::u16string_view name) {
  if (!events) return nullptr;
  for (const auto& e : events->members) {
    if (EqualsNoCase(e.name, name)) return &e;
  }
  return nullptr;
}

}  // namespace moxtrel::python
