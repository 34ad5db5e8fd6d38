// A JSON document read with the line of every value, so seed errors can name the line.
//
//   SeedValue doc = ParseSeedJson(text, "sample.json");   // throws SeedError on a syntax error
//   doc.Find("domains")->line;
//
// Arrays and objects nest at most kMaxSeedDepth levels; a tree is destroyed without recursion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace moxtrel::directory {

inline constexpr std::size_t kMaxSeedDepth = 256;
// The largest seed file MemoryDirectory::FromFile reads.
inline constexpr std::size_t kMaxSeedFileBytes = std::size_t{64} << 20;

struct SeedMember;

struct SeedValue {
  SeedValue();
  SeedValue(SeedValue&&) noexcept;
  SeedValue& operator=(SeedValue&&) noexcept;
  SeedValue(const SeedValue&) = delete;
  SeedValue& operator=(const SeedValue&) = delete;
  ~SeedValue();

  enum class Type : uint8_t { kNull, kBoolean, kInteger, kFloat, kString, kArray, kObject };
  Type type = Type::kNull;
  bool boolean = false;
  bool integer_too_large = false;  // an unsigned number beyond int64
  int line = 0;
  int64_t integer = 0;
  double number = 0.0;
  std::string text;
  std::vector<SeedValue> items;     // array elements
  std::vector<SeedMember> members;  // object members, in order

  const SeedValue* Find(std::string_view key) const;
  std::string_view TypeName() const;
};

struct SeedMember {
  std::string key;
  int key_line = 0;
  SeedValue value;
};

SeedValue ParseSeedJson(std::string_view json, const std::string& source);

}  // namespace moxtrel::directory
