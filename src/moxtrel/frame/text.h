// Text helpers shared by every layer: trimming, case folding and UTF-8 at the edges.
//
//   std::u16string name = moxtrel::Trim(u"  Alice ");      // u"Alice"
//   moxtrel::EqualsNoCase(u"ÄRGER", u"ärger");             // true
//   std::string shown = moxtrel::ToUtf8(name);
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace moxtrel {

// Removes leading and trailing U+0020 only; tabs and other white space stay.
std::u16string Trim(std::u16string_view text);

// Unicode simple case folding (ICU), code point by code point, with an ASCII fast path: keys
// that differ only in case ("Ǆemal"/"ǆemal", "ΣΊΣΥΦΟΣ"/"σίσυφος") are one key. FoldChar
// folds one UTF-16 unit and leaves surrogates and folds outside the BMP alone.
char16_t FoldChar(char16_t c) noexcept;
std::u16string FoldCase(std::u16string_view text);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b) noexcept;

// UTF-8 <-> UTF-16. Malformed input is replaced by U+FFFD rather than rejected.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// Hash and equality for unordered containers keyed without regard to case.
struct NoCaseHash {
  using is_transparent = void;
  std::size_t operator()(std::u16string_view text) const noexcept;
};
struct NoCaseEqual {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const noexcept {
    return EqualsNoCase(a, b);
  }
};
struct NoCaseLess {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const noexcept;
};

}  // namespace moxtrel
