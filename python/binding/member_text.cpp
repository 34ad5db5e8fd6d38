#include "binding/member_text.h"

#include <algorithm>
#include <map>

#include "moxtrel/frame/text.h"

namespace moxtrel::python {
namespace {

std::u16string DefaultText(const Variant& value) {
  if (value.IsString()) return u"\"" + value.AsString() + u"\"";
  if (value.type() == VarType::kBoolean) return value.ToBool() ? u"True" : u"False";
  return value.Describe();
}

bool IsPlainGet(const typelib::MemberInfo& m) {
  return m.kind == typelib::MemberKind::kGet && m.params.empty();
}

// Edits between two folded names, a swap of neighbours counting as one ("Fnid" is one from
// "Find").
std::size_t Distance(std::u16string_view a, std::u16string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
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

std::u16string ClassDoc(std::u16string_view class_name, const typelib::InterfaceInfo* iface,
                        const typelib::InterfaceInfo* events) {
  std::u16string props, methods, event_lines;
  if (iface) {
    // One line per DISPID: a property's get and put(s) share it.
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
        props += u"  " + get->name + u": " + get->result.name + u"  (" + access + u")\n";
      } else if (put || putref) {
        props += u"  " + m.name + u": " + m.params.back().type.name + u"  (write-only)\n";
      } else {
        methods += u"  " + SignatureOf(m) + u"\n";
      }
    }
  }
  if (events) {
    for (const auto& e : events->members) event_lines += u"  " + SignatureOf(e) + u"\n";
  }
  std::u16string doc = std::u16string(class_name) +
                       u": an automation object; members are found without regard to case.\n";
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

std::vector<std::u16string> MemberNames(const typelib::InterfaceInfo* iface,
                                        const typelib::InterfaceInfo* events) {
  std::vector<std::u16string> names;
  auto add = [&](const std::u16string& name) {
    for (const auto& n : names) {
      if (EqualsNoCase(n, name)) return;
    }
    names.push_back(name);
  };
  if (iface) {
    for (const auto& m : iface->members) {
      if (!m.hidden) add(m.name);
    }
  }
  if (events) {
    for (const auto& e : events->members) add(e.name);
  }
  return names;
}

std::u16string Suggestion(std::u16string_view name, const std::vector<std::u16string>& names) {
  const std::u16string wanted = FoldCase(name);
  std::u16string best;
  std::size_t best_distance = 0;
  for (const auto& candidate : names) {
    const std::size_t d = Distance(wanted, FoldCase(candidate));
    if (best.empty() || d < best_distance) {
      best = candidate;
      best_distance = d;
    }
  }
  // Close means at most a third of the name differs (and at least one edit is allowed).
  const std::size_t limit = std::max<std::size_t>(1, wanted.size() / 3);
  return best_distance <= limit ? best : std::u16string();
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
