#include "object_printer.h"

#include <algorithm>
#include <functional>
#include <map>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/journal/glob.h"
#include "script/operators.h"
#include "script/script_error.h"

namespace moxtrel::script {
namespace {

std::u16string HostMemberName(const std::string& description) {
  return FromUtf8(description.substr(0, description.find(' ')));
}

// Host objects describe a member as "Number (get, put): Long".
bool HostReadable(const std::string& description) {
  const size_t open = description.find('(');
  const size_t close = description.find(')');
  if (open == std::string::npos || close == std::string::npos) return false;
  return description.substr(open, close - open).find("get") != std::string::npos;
}

std::u16string ValueOrError(const std::function<Variant()>& get) {
  try {
    return Show(get());
  } catch (const AutomationError& e) {
    return u"(error: " + e.description() + u")";
  } catch (const RuntimeError& e) {
    return u"(error: " + e.description() + u")";
  } catch (const std::exception& e) {
    return u"(error: " + FromUtf8(e.what()) + u")";
  }
}

std::u16string Rows(std::u16string_view title,
                    const std::vector<std::pair<std::u16string, std::u16string>>& rows) {
  size_t width = 0;
  for (const auto& [name, value] : rows) width = std::max(width, name.size());
  std::u16string out(title);
  for (const auto& [name, value] : rows) {
    out += u"\n  " + name + std::u16string(width - name.size(), u' ') + u" : " + value;
  }
  return out;
}

std::u16string ParamText(const typelib::ParamInfo& p) {
  std::u16string text = (p.by_ref ? u"" : u"ByVal ") + p.name + u" As " + p.type.name;
  if (p.optional && !p.default_value.IsEmpty()) {
    text += u" = " + (p.default_value.IsString() ? Quoted(p.default_value.AsString())
                                                 : p.default_value.Describe());
  }
  return p.optional ? u"[" + text + u"]" : text;
}

std::u16string ParamList(const std::vector<typelib::ParamInfo>& params, size_t count) {
  std::u16string text;
  for (size_t i = 0; i < count && i < params.size(); ++i) {
    text += (i ? u", " : u"") + ParamText(params[i]);
  }
  return text;
}

bool NameLess(const std::u16string& a, const std::u16string& b) {
  return FoldCase(a) < FoldCase(b);
}

}  // namespace

bool MatchesPattern(std::u16string_view name, std::u16string_view pattern) {
  if (pattern.empty()) return true;
  if (pattern.find_first_of(u"*?") == std::u16string_view::npos) {
    return FoldCase(name).rfind(FoldCase(pattern), 0) == 0;
  }
  return directory::GlobMatch(pattern, name);
}

std::vector<std::u16string> ReadableProperties(const typelib::InterfaceInfo& iface) {
  std::vector<std::u16string> names;
  for (const auto& m : iface.members) {
    if (m.kind != typelib::MemberKind::kGet || m.hidden) continue;
    if (std::any_of(m.params.begin(), m.params.end(), [](const auto& p) { return !p.optional; }))
      continue;  // an indexed property has no single value to show
    names.push_back(m.name);
  }
  return names;
}

std::u16string ShowForPrompt(const Variant& value) {
  if (!value.IsObject() || !value.AsObject()) return Show(value);
  AutomationObject& object = *value.AsObject();
  std::vector<std::pair<std::u16string, std::u16string>> rows;
  if (auto* host = dynamic_cast<HostObject*>(&object)) {
    for (const auto& d : host->Describe()) {
      if (!HostReadable(d)) continue;
      const std::u16string name = HostMemberName(d);
      rows.emplace_back(name, ValueOrError([&] {
                          std::vector<Variant> none;
                          return host->Call(name, kDispatchGet, none);
                        }));
    }
    return Rows(object.TypeName(), rows);
  }
  const typelib::InterfaceInfo* iface = dispatch::InterfaceOf(object);
  if (!iface) return Show(value);
  for (const auto& m : iface->members) {
    if (m.kind != typelib::MemberKind::kGet || m.hidden) continue;
    if (std::any_of(m.params.begin(), m.params.end(), [](const auto& p) { return !p.optional; }))
      continue;
    rows.emplace_back(m.name, ValueOrError([&] {
                        std::vector<Variant> none;
                        return dispatch::Invoke(object, m.dispid, kDispatchGet, none);
                      }));
  }
  return Rows(object.TypeName(), rows);
}

std::vector<std::string> ListMembers(const typelib::InterfaceInfo& iface,
                                     std::u16string_view pattern) {
  // A property's get and put share a line: its type from the get, or from the put's value.
  struct Entry {
    std::u16string signature;
    std::vector<std::u16string> kinds;
  };
  std::map<std::u16string, Entry, decltype(&NameLess)> entries(&NameLess);
  for (const auto& m : iface.members) {
    if (m.hidden || !MatchesPattern(m.name, pattern)) continue;
    Entry& e = entries[m.name];
    e.kinds.push_back(typelib::KindName(m.kind));
    const bool put = m.kind == typelib::MemberKind::kPut || m.kind == typelib::MemberKind::kPutRef;
    if (!e.signature.empty() && put) continue;  // the get already said it
    const size_t shown = put && !m.params.empty() ? m.params.size() - 1 : m.params.size();
    std::u16string sig = m.name;
    if (shown > 0 || m.kind == typelib::MemberKind::kMethod) {
      sig += u"(" + ParamList(m.params, shown) + u")";
    }
    if (put && !m.params.empty()) {
      sig += u" As " + m.params.back().type.name;
    } else if (m.result.kind != typelib::TypeKind::kVoid) {
      sig += u" As " + m.result.name;
    }
    e.signature = sig;
  }
  std::vector<std::string> lines;
  for (const auto& [name, e] : entries) {
    std::u16string kinds;
    for (const auto& k : e.kinds) kinds += (kinds.empty() ? u"" : u", ") + k;
    lines.push_back(ToUtf8(e.signature + u"  [" + kinds + u"]"));
  }
  return lines;
}

std::vector<std::string> ListMembers(const HostObject& host, std::u16string_view pattern) {
  std::vector<std::string> lines;
  for (const auto& d : host.Describe()) {
    if (MatchesPattern(HostMemberName(d), pattern)) lines.push_back(d);
  }
  std::sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return NameLess(FromUtf8(a), FromUtf8(b));
  });
  return lines;
}

}  // namespace moxtrel::script
