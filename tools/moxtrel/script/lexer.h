// Lexer: turns script text (UTF-8) into tokens. Keywords are not told apart here; the parser
// compares identifiers without regard to case. A bracketed name ("[mox SVCS Running]") is an
// identifier that is never a keyword.
//
//   auto tokens = Lex("Print \"hi\" ' greeting\n", "hello.mox");
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/frame/variant.h"

namespace moxtrel::script {

enum class TokenKind {
  kIdentifier,
  kNumber,
  kString,
  kDate,
  kOperator,  // + - * / \ ^ & = <> < > <= >= ( ) , .
  kNewline,   // end of a statement: a line break or ':'
  kEnd,
};

struct Token {
  TokenKind kind;
  std::string text;  // identifier or operator as written; for literals the source text
  Variant value;     // literal value
  bool bracketed = false;
  int line = 0;
  int column = 0;
};

// Throws SyntaxError for an unterminated string, bracket or date, or a stray character.
std::vector<Token> Lex(std::string_view source, const std::string& file);

}  // namespace moxtrel::script
