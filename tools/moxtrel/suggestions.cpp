#include "suggestions.h"

#include <algorithm>

#include "moxtrel/frame/text.h"

namespace moxtrel::script {

size_t EditDistance(std::u16string_view a, std::u16string_view b) {
  const std::u16string x = FoldCase(a), y = FoldCase(b);
  // Three rows of the optimal string alignment table: two back for a swap.
  std::vector<size_t> before(y.size() + 1), prev(y.size() + 1), cur(y.size() + 1);
  for (size_t j = 0; j <= y.size(); ++j) prev[j] = j;
  for (size_t i = 1; i <= x.size(); ++i) {
    cur[0] = i;
    for (size_t j = 1; j <= y.size(); ++j) {
      const size_t cost = x[i - 1] == y[j - 1] ? 0 : 1;
      cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + cost});
      if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1]) {
        cur[j] = std::min(cur[j], before[j - 2] + 1);
      }
    }
    before.swap(prev);
    prev.swap(cur);
  }
  return prev[y.size()];
}

std::optional<std::u16string> ClosestName(std::u16string_view wrong,
                                          const std::vector<std::u16string>& candidates) {
  const size_t allowed = std::clamp<size_t>(wrong.size() / 3, 1, 3);
  std::optional<std::u16string> best;
  size_t best_distance = allowed + 1;
  for (const auto& c : candidates) {
    const size_t d = EditDistance(wrong, c);
    if (d > 0 && d < best_distance) {
      best = c;
      best_distance = d;
    }
  }
  return best;
}

std::u16string DidYouMean(std::u16string_view wrong,
                          const std::vector<std::u16string>& candidates) {
  if (auto best = ClosestName(wrong, candidates)) return u" (did you mean \"" + *best + u"\"?)";
  return {};
}

std::vector<std::u16string> MemberNames(const typelib::InterfaceInfo& iface) {
  std::vector<std::u16string> out;
  for (const auto& m : iface.members) {
    if (!m.hidden) out.push_back(m.name);
  }
  return out;
}

std::vector<std::u16string> CreatableClassNames() {
  std::vector<std::u16string> out;
  for (const auto& c : typelib::Library().classes) {
    if (c.published && c.coclass.creatable) out.push_back(c.coclass.name);
  }
  return out;
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
