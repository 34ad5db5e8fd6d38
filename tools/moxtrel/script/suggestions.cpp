#include "suggestions.h"

#include <algorithm>

#include "moxtrel/frame/text.h"

namespace moxtrel::script {

std::u16string DidYouMean(std::u16string_view wrong,
                          const std::vector<std::u16string>& candidates) {
  if (auto best = ClosestName(wrong, candidates)) return u" (did you mean \"" + *best + u"\"?)";
  return {};
}

std::vector<std::u16string> TypeLibraryNames() {
  const typelib::TypeLibrary& lib = typelib::Library();
  std::vector<std::u16string> out;
  for (const auto& c : lib.classes) {
    if (!c.published) continue;
    out.push_back(c.coclass.name);
    out.push_back(c.iface.name);
  }
  for (const auto& d : lib.dispinterfaces) out.push_back(d.name);
  for (const auto& e : lib.enums) out.push_back(e.name);
  return out;
}

std::vector<std::u16string> EnumMemberNames() {
  std::vector<std::u16string> out;
  for (const auto& e : typelib::Library().enums) {
    for (const auto& [name, value] : e.members) {
      out.push_back(name.find(u' ') == std::u16string::npos ? name : u"[" + name + u"]");
    }
  }
  return out;
}

std::u16string MemberSignature(const typelib::InterfaceInfo& iface, std::u16string_view member,
                               uint16_t flags) {
  const typelib::MemberInfo* found = nullptr;
  for (const auto& m : iface.members) {
    if (!EqualsNoCase(m.name, member)) continue;
    const bool put = m.kind == typelib::MemberKind::kPut || m.kind == typelib::MemberKind::kPutRef;
    const bool wants_put = (flags & (kDispatchPut | kDispatchPutRef)) != 0;
    if (!found || put == wants_put) found = &m;
    if (put == wants_put) break;
  }
  if (!found) return {};
  std::u16string out = found->name + u"(";
  for (size_t i = 0; i < found->params.size(); ++i) {
    const auto& p = found->params[i];
    if (i) out += u", ";
    out += (p.optional ? u"[" : u"") + p.name + u" As " + p.type.name + (p.optional ? u"]" : u"");
  }
  out += u")";
  if (found->result.kind != typelib::TypeKind::kVoid) out += u" As " + found->result.name;
  return out;
}

}  // namespace moxtrel::script
