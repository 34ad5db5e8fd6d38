// Print's JSON form (`moxtrel --format json`): one document per Print statement, so a script's
// results go straight to jq.
//
//   PrintJson({Variant(int32_t{42})});            // "42"
//   PrintJson({user});                            // {"class":"moxUser","properties":{...}}
//   PrintJson({Variant(u"a"), Variant(u"b")});    // ["a","b"]: several values make an array
//
// Scalars are JSON values (Empty and Nothing are null, dates ISO 8601 text); arrays are arrays;
// an object is its class and its readable properties, read through the dispatch layer, with a
// collection's items under "items". Objects inside those show their class only, so a Print
// never walks the whole directory. A property whose read fails is listed under "errors".
#pragma once

#include <string>
#include <vector>

#include "moxtrel/frame/variant.h"

namespace moxtrel::script {

std::string PrintJson(const std::vector<Variant>& values);

}  // namespace moxtrel::script
