// The built-in functions of the language that need no interpreter state: text, numbers,
// conversions, dates and arrays (Len, UCase, Mid, InStr, CLng, Hex, DateSerial, Split, ...).
//
//   Variant r;
//   std::vector<Variant> args{Variant(u"abc")};
//   CallPureBuiltin(u"UCase", args, r);   // true, r == "ABC"
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/frame/variant.h"

namespace moxtrel::script {

// False when `name` is no built-in; throws RuntimeError for a bad argument count or value.
bool CallPureBuiltin(std::u16string_view name, std::vector<Variant>& args, Variant& result);
bool IsPureBuiltin(std::u16string_view name);
// "Len(s)", "Mid(s, start, [length])", ... for :help.
std::vector<std::string> PureBuiltinSignatures();

}  // namespace moxtrel::script
