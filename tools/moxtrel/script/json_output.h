// Print's JSON form (`moxtrel --format json`): one document per Print statement, so a script's
// results go straight to jq.
//
//   PrintJson({Variant(int32_t{42})});            // "42"
//   PrintJson({user});                            // {"class":"moxUser","properties":{...}}
//   PrintJson({Variant(u"a"), Variant(u"b")});    // ["a","b"]: several values make an array
//
// Scalars are JSON values (Empty, Nothing and the empty date are null, other dates ISO 8601
// text); arrays are arrays;
// an object is its class and its readable properties, read through the dispatch layer, with a
// collection's items under "items". Objects inside those show their class only, so a Print
// never walks the whole directory. A property whose read fails is listed under "errors".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "moxtrel/frame/variant.h"
#include "script_error.h"

namespace moxtrel::script {

std::string PrintJson(const std::vector<Variant>& values);

// An error as the host reports it under --format json, one object on one line of standard
// error:
//   {"code":-2146828283,"source":"d.Users.Item","description":"No member ...","file":"t.mox",
//    "line":12}
// `code` is what Err.Number would hold, null for a failure that has none (bad usage, Ctrl-C);
// `source` the member or procedure that failed, or what the host was doing ("script",
// "directory", "configuration", "usage", "syntax", "interrupt", "output"); `file` and `line`
// are null where there is none. A syntax error adds "column", an error inside procedures
// "stack" (innermost first, as {"procedure", "line"}; "" is the top level).
struct ErrorReport {
  ErrorReport(std::string source_, std::string description_, std::string file_ = {}, int line_ = 0,
              std::optional<int32_t> code_ = std::nullopt)
      : code(code_),
        source(std::move(source_)),
        description(std::move(description_)),
        file(std::move(file_)),
        line(line_) {}

  std::optional<int32_t> code;
  std::string source;
  std::string description;
  std::string file;  // empty: null
  int line = 0;      // 0: null
  int column = 0;    // 0: left out
  std::vector<RuntimeError::CallFrame> stack;
};
std::string ErrorJson(const ErrorReport& error);

}  // namespace moxtrel::script
