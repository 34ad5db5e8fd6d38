// Text helpers shared by every layer: trimming, case folding and UTF-8 at the edges.
//
//   std::u16string name = moxtrel::Trim(u"  Alice ");      // u"Alice"
//   moxtrel::EqualsNoCase(u"ÄRGER", u"ärger");             // true
//   std::string shown = moxtrel::ToUtf8(name);
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
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
// Lower and upper case letter by letter (simple case mapping, as script LCase and UCase do); not
// for comparing: use FoldCase or EqualsNoCase.
std::u16string ToLower(std::u16string_view text);
std::u16string ToUpper(std::u16string_view text);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b) noexcept;

// UTF-8 <-> UTF-16. Malformed input is replaced by U+FFFD rather than rejected.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// `text` in double quotes, as error messages show a name.
inline std::u16string Quoted(std::u16string_view text) {
  return u"\"" + std::u16string(text) + u"\"";
}

// Numbers as text. Hex is upper case, at least `min_digits` digits, "0x" first when
// `prefixed` (HexText(0x80020003, 8, true) is "0x80020003"); HexBytes writes two digits a byte.
std::u16string DecimalText(int64_t value);
std::u16string HexText(uint64_t value, int min_digits = 1, bool prefixed = false);
std::u16string HexBytes(std::span<const uint8_t> bytes);

// The whole of `text` as an integer in `base` (10 or 16) through std::from_chars: a sign is
// allowed in base 10 only, and nothing may come before or after the digits (no blanks, no
// prefix). nullopt for anything else, and for a value outside int64_t (base 10) or
// uint64_t (base 16).
std::optional<int64_t> ParseDecimal(std::u16string_view text);
std::optional<uint64_t> ParseHex(std::u16string_view digits);

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
