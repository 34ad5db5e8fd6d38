// A JSON document read with the line of every value, so seed errors can name the line.
//
//   SeedValue doc = ParseSeedJson(text, "sample.json");   // throws SeedError on a syntax error
//   doc.Find("domains")->line;
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace moxtrel::directory {

struct SeedValue {
  enum class Type { kNull, kBoolean, kInteger, kFloat, kString, kArray, kObject };
  Type type = Type::kNull;
  int line = 0;
  bool boolean = false;
  int64_t integer = 0;
  bool integer_too_large = false;  // an unsigned number beyond int64
  double number = 0.0;
  std::string text;
  std::vector<SeedValue> items;                            // array elements
  std::vector<std::pair<std::string, SeedValue>> members;  // object members, in order
  std::vector<int> key_lines;                              // line of each member's key

  const SeedValue* Find(std::string_view key) const;
  std::string_view TypeName() const;
};

SeedValue ParseSeedJson(std::string_view json, const std::string& source);

}  // namespace moxtrel::directory
