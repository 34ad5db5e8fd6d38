#include "moxtrel/journal/glob.h"

#include "moxtrel/frame/text.h"

namespace moxtrel::directory {

// Iterative matcher with one backtrack point: linear in practice, no recursion depth to blow.
bool GlobMatch(std::u16string_view pattern, std::u16string_view text) noexcept {
  std::size_t p = 0, t = 0;
  std::size_t star = std::u16string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() &&
               (pattern[p] == u'?' || FoldChar(pattern[p]) == FoldChar(text[t]))) {
      ++p;
      ++t;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace moxtrel::directory
