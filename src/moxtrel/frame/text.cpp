#include "moxtrel/frame/text.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace moxtrel {

std::u16string Trim(std::u16string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && text[first] == u' ') ++first;
  while (last > first && text[last - 1] == u' ') --last;
  return std::u16string(text.substr(first, last - first));
}

namespace {

// Folds one code point with Unicode's simple case folding (one code point to one), so a
// name and its fold have the same number of code points.
inline char32_t FoldPoint(char32_t c) noexcept {
  if (c < 0x80) return (c >= U'A' && c <= U'Z') ? c + 0x20 : c;
  return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

inline bool IsAscii(std::u16string_view text) noexcept {
  for (char16_t c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// The code point at `i` (a lone surrogate stands for itself); advances `i` past it.
inline char32_t NextPoint(std::u16string_view text, std::size_t& i) noexcept {
  const char16_t c = text[i++];
  if (c >= 0xD800 && c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
    return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i++] - 0xDC00);
  }
  return c;
}

inline void AppendPoint(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  } else {
    out += static_cast<char16_t>(cp);
  }
}

}  // namespace

char16_t FoldChar(char16_t c) noexcept {
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  const char32_t folded = FoldPoint(c);
  return folded <= 0xFFFF ? static_cast<char16_t>(folded) : c;
}

std::u16string FoldCase(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) AppendPoint(out, FoldPoint(NextPoint(text, i)));
  return out;
}

std::u16string ToLower(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    AppendPoint(out, static_cast<char32_t>(u_tolower(static_cast<UChar32>(NextPoint(text, i)))));
  }
  return out;
}

std::u16string ToUpper(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    AppendPoint(out, static_cast<char32_t>(u_toupper(static_cast<UChar32>(NextPoint(text, i)))));
  }
  return out;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) noexcept {
  // A key looked up as it was spelled, the usual case, compares as plain memory (memcmp:
  // char16_t's own traits compare unit by unit).
  if (a.size() == b.size() &&
      (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0)) {
    return true;
  }
  std::size_t i = 0, j = 0;
  // ASCII fast path: equal lengths compared unit by unit until the first non-ASCII unit.
  if (a.size() == b.size()) {
    for (; i < a.size(); ++i) {
      const char16_t x = a[i], y = b[i];
      if (x >= 0x80 || y >= 0x80) break;
      if (FoldPoint(x) != FoldPoint(y)) return false;
    }
    if (i == a.size()) return true;
    j = i;
  } else if (IsAscii(a) && IsAscii(b)) {
    return false;  // folding keeps the length of ASCII text
  }
  while (i < a.size() && j < b.size()) {
    if (FoldPoint(NextPoint(a, i)) != FoldPoint(NextPoint(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

namespace {

// Folded text is hashed four UTF-16 units (one 64-bit word) at a time, whichever way it was
// folded, so that a name and any spelling of it that folds alike hash alike.
constexpr std::size_t kWordUnits = 4;
constexpr uint64_t kNotAscii = 0xFF80FF80FF80FF80ull;

// The next word of `units`; a short last one is padded with zeros. The tail is built in a
// register: a partial copy through memory would stall the whole word's load.
inline uint64_t LoadWord(const char16_t* units, std::size_t n) noexcept {
  uint64_t word = 0;
  if (n >= kWordUnits) {
    std::memcpy(&word, units, sizeof word);
    return word;
  }
  for (std::size_t k = 0; k < n; ++k) word |= static_cast<uint64_t>(units[k]) << (16 * k);
  return word;
}

// Lower-cases the four ASCII units of `word` at once: a lane from 'A' to 'Z' gains 0x20.
inline uint64_t FoldAsciiWord(uint64_t word) noexcept {
  const uint64_t at_least_a = word + 0x003F003F003F003Full;  // lane + (0x80 - 'A')
  const uint64_t above_z = word + 0x0025002500250025ull;     // lane + (0x80 - 'Z' - 1)
  return word | ((at_least_a & ~above_z & 0x0080008000800080ull) >> 2);
}

inline uint64_t MixWord(uint64_t h, uint64_t word) noexcept {
  h = (h ^ word) * 0x9E3779B97F4A7C15ull;
  return h ^ (h >> 29);
}

}  // namespace

std::size_t NoCaseHash::operator()(std::u16string_view text) const noexcept {
  // ASCII text, nearly every name, is folded a word at a time where it lies.
  uint64_t h = 0;
  std::size_t i = 0;
  for (; i < text.size(); i += kWordUnits) {
    const uint64_t word = LoadWord(text.data() + i, std::min(kWordUnits, text.size() - i));
    if (word & kNotAscii) break;
    h = MixWord(h, FoldAsciiWord(word));
  }
  std::size_t length = text.size();
  if (i < text.size()) {
    // Other text from here on: folded whole, then hashed in the same words.
    const std::u16string rest = FoldCase(text.substr(i));
    for (std::size_t k = 0; k < rest.size(); k += kWordUnits) {
      h = MixWord(h, LoadWord(rest.data() + k, std::min(kWordUnits, rest.size() - k)));
    }
    length = i + rest.size();
  }
  // The folded length, then a finishing mix so that every bit of the result varies.
  h ^= length;
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  return h ^ (h >> 33);
}

bool NoCaseLess::operator()(std::u16string_view a, std::u16string_view b) const noexcept {
  // ASCII fast path: unit by unit until either name ends or a non-ASCII unit comes (the
  // script host's variables are looked up through this order at every use).
  std::size_t i = 0;
  for (; i < a.size() && i < b.size() && a[i] < 0x80 && b[i] < 0x80; ++i) {
    const char32_t x = FoldPoint(a[i]), y = FoldPoint(b[i]);
    if (x != y) return x < y;
  }
  std::size_t j = i;
  while (i < a.size() && j < b.size()) {
    const char32_t x = FoldPoint(NextPoint(a, i));
    const char32_t y = FoldPoint(NextPoint(b, j));
    if (x != y) return x < y;
  }
  return i == a.size() && j < b.size();
}

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  while (i < text.size()) {
    unsigned char b = byte(i);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (b < 0x80) {
      cp = b;
    } else if ((b & 0xE0) == 0xC0) {
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4;
    }
    if (len > 1) {
      bool ok = i + len <= text.size();
      char32_t v = b & (0x7F >> len);
      for (std::size_t k = 1; ok && k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) ok = false;
        v = (v << 6) | (byte(i + k) & 0x3F);
      }
      static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
      if (ok && v >= kMin[len] && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
        cp = v;
      } else {
        len = 1;
      }
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += len;
  }
  return out;
}

std::u16string DecimalText(int64_t value) {
  char buf[24];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  return std::u16string(buf, result.ptr);
}

std::u16string HexText(uint64_t value, int min_digits, bool prefixed) {
  char buf[24];
  const auto result = std::to_chars(buf, buf + sizeof buf, value, 16);
  std::u16string out = prefixed ? u"0x" : u"";
  for (auto n = result.ptr - buf; n < min_digits; ++n) out += u'0';
  for (const char* p = buf; p != result.ptr; ++p) {
    out += static_cast<char16_t>(*p >= 'a' ? *p - 'a' + 'A' : *p);
  }
  return out;
}

std::u16string HexBytes(std::span<const uint8_t> bytes) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

namespace {

// `text` narrowed to ASCII for from_chars; nullopt when it holds anything else.
std::optional<std::string> Narrow(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c >= 0x80) return std::nullopt;
    out += static_cast<char>(c);
  }
  return out;
}

template <class T>
std::optional<T> ParseWhole(std::u16string_view text, int base) {
  const auto narrow = Narrow(text);
  if (!narrow || narrow->empty()) return std::nullopt;
  // from_chars takes a leading '-' for signed types; a '+' or a blank is refused here.
  if (base == 16 && (*narrow)[0] == '-') return std::nullopt;
  T value{};
  const char* end = narrow->data() + narrow->size();
  const auto result = std::from_chars(narrow->data(), end, value, base);
  if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
}

}  // namespace

std::optional<int64_t> ParseDecimal(std::u16string_view text) {
  return ParseWhole<int64_t>(text, 10);
}

std::optional<uint64_t> ParseHex(std::u16string_view digits) {
  return ParseWhole<uint64_t>(digits, 16);
}

}  // namespace moxtrel
