#include "moxtrel/host/near_names.h"

#include <algorithm>

#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::host {

namespace {

// Edits between two names already folded.
std::size_t FoldedDistance(std::u16string_view x, std::u16string_view y) {
  // Three rows of the optimal string alignment table: two back for a swap.
  std::vector<std::size_t> before(y.size() + 1), prev(y.size() + 1), cur(y.size() + 1);
  for (std::size_t j = 0; j <= y.size(); ++j) prev[j] = j;
  for (std::size_t i = 1; i <= x.size(); ++i) {
    cur[0] = i;
    for (std::size_t j = 1; j <= y.size(); ++j) {
      const std::size_t cost = x[i - 1] == y[j - 1] ? 0 : 1;
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

}  // namespace

std::size_t EditDistance(std::u16string_view a, std::u16string_view b) {
  return FoldedDistance(FoldCase(a), FoldCase(b));
}

std::optional<std::u16string> ClosestName(std::u16string_view wrong,
                                          const std::vector<std::u16string>& candidates) {
  const std::size_t allowed = std::clamp<std::size_t>(wrong.size() / 3, 1, 3);
  const std::u16string folded = FoldCase(wrong);
  std::optional<std::u16string> best;
  std::size_t best_distance = allowed + 1;
  for (const auto& c : candidates) {
    const std::u16string other = FoldCase(c);
    // The lengths alone rule a candidate out, so a very long name costs no table.
    const std::size_t apart =
        folded.size() > other.size() ? folded.size() - other.size() : other.size() - folded.size();
    if (apart >= best_distance) continue;
    const std::size_t d = FoldedDistance(folded, other);
    if (d > 0 && d < best_distance) {
      best = c;
      best_distance = d;
    }
  }
  return best;
}

std::vector<std::u16string> MemberNames(const typelib::InterfaceInfo& iface) {
  std::vector<std::u16string> out;
  for (const auto& m : iface.members) {
    if (!m.hidden) out.push_back(m.name);
  }
  return out;
}

std::vector<std::u16string> ObjectMemberNames(const typelib::InterfaceInfo* iface,
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

std::optional<std::u16string> ClosestMemberName(std::u16string_view wrong,
                                                const typelib::InterfaceInfo* iface,
                                                const typelib::InterfaceInfo* events) {
  return ClosestName(wrong, ObjectMemberNames(iface, events));
}

std::vector<std::u16string> CreatableClassNames() {
  std::vector<std::u16string> out;
  for (const auto& c : typelib::Library().classes) {
    if (c.published && c.coclass.creatable) out.push_back(c.coclass.name);
  }
  return out;
}

std::optional<std::u16string> ClosestClassName(std::u16string_view class_name) {
  const std::size_t dot = class_name.rfind(u'.');
  const std::u16string_view prefix =
      dot == std::u16string_view::npos ? std::u16string_view() : class_name.substr(0, dot + 1);
  auto best = ClosestName(class_name.substr(prefix.size()), CreatableClassNames());
  if (best) best->insert(0, prefix);
  return best;
}

}  // namespace moxtrel::host
