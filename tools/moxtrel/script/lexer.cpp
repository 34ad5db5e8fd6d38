#include "lexer.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "moxtrel/frame/text.h"
#include "script_error.h"

namespace moxtrel::script {
namespace {

bool IsIdentStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsIdentChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

class Lexer {
 public:
  Lexer(std::string_view src, const std::string& file) : src_(src), file_(file) {}

  std::vector<Token> Run() {
    while (pos_ < src_.size()) {
      const char c = src_[pos_];
      if (c == ' ' || c == '\t' || c == '\r') {
        Advance();
      } else if (c == '\n' || c == ':') {
        Mark();
        Push(TokenKind::kNewline, std::string(1, c));
        Advance();
      } else if (c == '\'') {
        SkipComment();
      } else if (c == '_' && LineContinues()) {
        continue;
      } else if (c == '"') {
        LexString();
      } else if (c == '[') {
        LexBracketed();
      } else if (c == '#') {
        LexDate();
      } else if (IsDigit(c) || (c == '.' && Peek(1) && IsDigit(*Peek(1)) && !AfterOperand())) {
        LexNumber();
      } else if (c == '&' && Peek(1) && (*Peek(1) == 'H' || *Peek(1) == 'h') && Peek(2) &&
                 std::isxdigit(static_cast<unsigned char>(*Peek(2)))) {
        LexHex();
      } else if (IsIdentStart(c)) {
        LexIdentifier();
      } else {
        LexOperator();
      }
    }
    Mark();
    Push(TokenKind::kNewline, "");
    Push(TokenKind::kEnd, "");
    return std::move(tokens_);
  }

 private:
  const char* Peek(size_t ahead) const {
    return pos_ + ahead < src_.size() ? &src_[pos_ + ahead] : nullptr;
  }

  void Advance() {
    if (src_[pos_] == '\n') {
      ++line_;
      line_start_ = pos_ + 1;
    }
    ++pos_;
  }

  int Column() const { return static_cast<int>(pos_ - line_start_) + 1; }

  [[noreturn]] void Fail(const std::string& message) const {
    throw SyntaxError(file_, line_, Column(), message);
  }
  // For a token that cannot be finished: points at where it starts.
  [[noreturn]] void FailToken(const std::string& message) const {
    throw SyntaxError(file_, tok_line_, tok_column_, message);
  }

  void Push(TokenKind kind, std::string text, Variant value = {}, bool bracketed = false) {
    tokens_.push_back(
        Token{kind, std::move(text), std::move(value), bracketed, tok_line_, tok_column_});
  }

  void Mark() {
    tok_line_ = line_;
    tok_column_ = Column();
  }

  // True when the previous token ends an operand, so '.' is member access, not ".5".
  bool AfterOperand() const {
    if (tokens_.empty()) return false;
    const Token& t = tokens_.back();
    return t.kind == TokenKind::kIdentifier || t.text == ")";
  }

  void SkipComment() {
    while (pos_ < src_.size() && src_[pos_] != '\n') Advance();
  }

  // " _" at the end of a line joins it with the next one.
  bool LineContinues() {
    if (pos_ + 1 < src_.size() && IsIdentChar(src_[pos_ + 1])) return false;
    size_t p = pos_ + 1;
    while (p < src_.size() && (src_[p] == ' ' || src_[p] == '\t' || src_[p] == '\r')) ++p;
    if (p < src_.size() && src_[p] != '\n') return false;
    while (pos_ < p) Advance();
    if (pos_ < src_.size()) Advance();
    return true;
  }

  void LexString() {
    Mark();
    Advance();
    std::string text;
    for (;;) {
      if (pos_ >= src_.size() || src_[pos_] == '\n')
        FailToken("unterminated string: expected '\"'");
      if (src_[pos_] == '"') {
        if (Peek(1) && *Peek(1) == '"') {
          text += '"';
          Advance();
          Advance();
          continue;
        }
        Advance();
        break;
      }
      text += src_[pos_];
      Advance();
    }
    Push(TokenKind::kString, text, Variant(FromUtf8(text)));
  }

  void LexBracketed() {
    Mark();
    Advance();
    std::string text;
    while (pos_ < src_.size() && src_[pos_] != ']' && src_[pos_] != '\n') {
      text += src_[pos_];
      Advance();
    }
    if (pos_ >= src_.size() || src_[pos_] != ']') FailToken("unterminated name: expected ']'");
    Advance();
    if (text.empty()) FailToken("empty name between '[' and ']'");
    Push(TokenKind::kIdentifier, text, {}, true);
  }

  void LexDate() {
    Mark();
    Advance();
    std::string text;
    while (pos_ < src_.size() && src_[pos_] != '#' && src_[pos_] != '\n') {
      text += src_[pos_];
      Advance();
    }
    if (pos_ >= src_.size() || src_[pos_] != '#') FailToken("unterminated date: expected '#'");
    Advance();
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char sep1 = 0, sep2 = 0;
    char rest[8] = {};
    bool ok = false;
    // "2024-05-01 13:05:00" or "5/1/2024 1:05 PM"
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) >= 3 &&
        text.find('-') != std::string::npos) {
      ok = true;
    } else if (std::sscanf(text.c_str(), "%d%c%d%c%d %d:%d:%d %2s", &mo, &sep1, &d, &sep2, &y, &h,
                           &mi, &s, rest) >= 5 &&
               sep1 == '/' && sep2 == '/') {
      ok = true;
      const std::string ampm = rest;
      if ((ampm == "PM" || ampm == "pm") && h < 12) h += 12;
      if ((ampm == "AM" || ampm == "am") && h == 12) h = 0;
    }
    if (!ok || mo < 1 || mo > 12 || d < 1 || d > 31 || y < 100 || y > 9999 || h > 23 || mi > 59 ||
        s > 59) {
      FailToken("not a date: #" + text + "# (write #2024-05-31# or #5/31/2024 13:00#)");
    }
    Push(TokenKind::kDate, "#" + text + "#", Variant(Date::FromCivil(y, mo, d, h, mi, s)));
  }

  void LexNumber() {
    Mark();
    const size_t start = pos_;
    bool is_double = false;
    while (pos_ < src_.size() && IsDigit(src_[pos_])) Advance();
    if (pos_ < src_.size() && src_[pos_] == '.' && Peek(1) && IsDigit(*Peek(1))) {
      is_double = true;
      Advance();
      while (pos_ < src_.size() && IsDigit(src_[pos_])) Advance();
    }
    if (pos_ < src_.size() && (src_[pos_] == 'e' || src_[pos_] == 'E')) {
      size_t p = pos_ + 1;
      if (p < src_.size() && (src_[p] == '+' || src_[p] == '-')) ++p;
      if (p < src_.size() && IsDigit(src_[p])) {
        is_double = true;
        while (pos_ < p) Advance();
        while (pos_ < src_.size() && IsDigit(src_[pos_])) Advance();
      }
    }
    if (pos_ < src_.size() && IsIdentStart(src_[pos_])) Fail("a number must not run into a name");
    const std::string text(src_.substr(start, pos_ - start));
    const double v = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(v)) Fail("number too large: " + text);
    if (!is_double && v <= 2147483647.0) {
      Push(TokenKind::kNumber, text, Variant(static_cast<int32_t>(v)));
    } else {
      Push(TokenKind::kNumber, text, Variant(v));
    }
  }

  void LexHex() {
    Mark();
    const size_t start = pos_;
    Advance();
    Advance();
    uint64_t v = 0;
    while (pos_ < src_.size() && std::isxdigit(static_cast<unsigned char>(src_[pos_]))) {
      v = v * 16 + static_cast<uint64_t>(std::stoi(std::string(1, src_[pos_]), nullptr, 16));
      if (v > 0xFFFFFFFFull) Fail("hexadecimal number does not fit 32 bits");
      Advance();
    }
    if (pos_ < src_.size() && src_[pos_] == '&') Advance();  // the optional Long suffix
    // &H80000000 and above wrap to negative Longs, as 32-bit codes are written.
    Push(TokenKind::kNumber, std::string(src_.substr(start, pos_ - start)),
         Variant(static_cast<int32_t>(static_cast<uint32_t>(v))));
  }

  void LexIdentifier() {
    Mark();
    const size_t start = pos_;
    while (pos_ < src_.size() && IsIdentChar(src_[pos_])) Advance();
    std::string text(src_.substr(start, pos_ - start));
    if (EqualsNoCase(FromUtf8(text), u"rem") && !(AfterDot())) {
      SkipComment();
      return;
    }
    Push(TokenKind::kIdentifier, std::move(text));
  }

  bool AfterDot() const { return !tokens_.empty() && tokens_.back().text == "."; }

  void LexOperator() {
    Mark();
    const char c = src_[pos_];
    const char n = Peek(1) ? *Peek(1) : '\0';
    std::string op(1, c);
    if ((c == '<' && (n == '>' || n == '=')) || (c == '>' && n == '=')) op += n;
    static const std::string kSingle = "+-*/\\^&=<>(),.";
    if (op.size() == 1 && kSingle.find(c) == std::string::npos) {
      Fail(std::string("unexpected character '") + c + "'");
    }
    for (size_t i = 0; i < op.size(); ++i) Advance();
    Push(TokenKind::kOperator, op);
  }

  std::string_view src_;
  const std::string& file_;
  size_t pos_ = 0;
  int line_ = 1;
  size_t line_start_ = 0;
  int tok_line_ = 1;
  int tok_column_ = 1;
  std::vector<Token> tokens_;
};

}  // namespace

std::vector<Token> Lex(std::string_view source, const std::string& file) {
  return Lexer(source, file).Run();
}

}  // namespace moxtrel::script
