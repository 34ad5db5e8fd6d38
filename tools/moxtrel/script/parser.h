// Parser: builds a Program from script text. Errors name file:line:column and what was
// expected.
//
//   Program p = Parse("Dim x\nx = 1 + 2\nPrint x\n", "sum.mox");
#pragma once

#include <string>
#include <string_view>

#include "ast.h"

namespace moxtrel::script {

// Throws SyntaxError.
Program Parse(std::string_view source, const std::string& file);

// True for the words that cannot name a variable ("If", "Next", ...), in any case.
bool IsReservedWord(std::string_view word);

}  // namespace moxtrel::script
