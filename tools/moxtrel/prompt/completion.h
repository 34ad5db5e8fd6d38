// Tab completion at the prompt: keywords, variables and procedures in scope, built-ins, the
// global object's members, enum members (one word, or in brackets), class names after New
// and inside CreateObject(", and members after `obj.` from the type library, following the
// property types along a chain (`d.Users.`).
//
//   Completion c = Complete("Print u.Ful", interpreter);   // c.start == 8, {"FullName"}
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "script/interpreter.h"

namespace moxtrel::script {

struct Completion {
  size_t start = 0;                     // where in the text the word being completed begins
  std::vector<std::string> candidates;  // what may replace it, sorted, without duplicates
};

// `before` is the line up to the cursor. Reads variables; never calls a member.
Completion Complete(std::string_view before, Interpreter& interpreter);

// The longest start the candidates share, compared without regard to ASCII case, spelled as
// the first candidate spells it.
std::string CommonPrefix(const std::vector<std::string>& candidates);

}  // namespace moxtrel::script
