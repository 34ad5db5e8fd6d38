#include "moxtrel/memory/seed_json.h"

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>
#include <unordered_set>

#include "moxtrel/memory/memory_directory.h"

namespace moxtrel::directory {
namespace {

// Where the parser has read up to: the offset just after the last character that is not white
// space. The lexer reads one character ahead after a number, and that may be a newline.
struct ReadMark {
  std::size_t last_token_end = 0;
};

class TrackingIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  TrackingIterator() = default;
  TrackingIterator(const char* base, const char* p, ReadMark* mark)
      : base_(base), p_(p), mark_(mark) {}
  reference operator*() const { return *p_; }
  TrackingIterator& operator++() {
    char c = *p_;
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
      mark_->last_token_end = static_cast<std::size_t>(p_ - base_) + 1;
    }
    ++p_;
    return *this;
  }
  TrackingIterator operator++(int) {
    TrackingIterator old = *this;
    ++*this;
    return old;
  }
  friend bool operator==(const TrackingIterator& a, const TrackingIterator& b) {
    return a.p_ == b.p_;
  }

 private:
  const char* base_ = nullptr;
  const char* p_ = nullptr;
  ReadMark* mark_ = nullptr;
};

class Builder final : public nlohmann::json_sax<nlohmann::json> {
 public:
  Builder(std::string_view text, const std::string& source, const ReadMark& mark)
      : text_(text), source_(source), mark_(mark) {}

  SeedValue root;

  bool null() override {
    Value(SeedValue::Type::kNull);
    return true;
  }
  bool boolean(bool v) override {
    Value(SeedValue::Type::kBoolean).boolean = v;
    return true;
  }
  bool number_integer(number_integer_t v) override {
    Value(SeedValue::Type::kInteger).integer = v;
    return true;
  }
  bool number_unsigned(number_unsigned_t v) override {
    SeedValue& value = Value(SeedValue::Type::kInteger);
    value.integer_too_large = v > static_cast<uint64_t>(INT64_MAX);
    value.integer = value.integer_too_large ? INT64_MAX : static_cast<int64_t>(v);
    return true;
  }
  bool number_float(number_float_t v, const string_t&) override {
    Value(SeedValue::Type::kFloat).number = v;
    return true;
  }
  bool string(string_t& v) override {
    Value(SeedValue::Type::kString).text = std::move(v);
    return true;
  }
  bool binary(binary_t&) override {
    Value(SeedValue::Type::kNull);
    return true;
  }
  bool start_object(std::size_t) override {
    Open(SeedValue::Type::kObject);
    return true;
  }
  bool key(string_t& k) override {
    OpenValue& open = stack_.back();
    int line = Line();
    if (Repeated(open, k)) throw SeedError(source_, line, "the key \"" + k + "\" is given twice");
    open.value->members.push_back({std::move(k), line, SeedValue{}});
    return true;
  }
  bool end_object() override {
    stack_.pop_back();
    return true;
  }
  bool start_array(std::size_t) override {
    Open(SeedValue::Type::kArray);
    return true;
  }
  bool end_array() override {
    stack_.pop_back();
    return true;
  }
  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::detail::exception& ex) override {
    std::string what = ex.what();
    // "[json.exception.parse_error.101] parse error at line 3, column 5: syntax error ..."
    if (auto colon = what.find(": "); colon != std::string::npos) what = what.substr(colon + 2);
    throw SeedError(source_, LineAt(position == 0 ? 0 : position - 1), "JSON syntax: " + what);
  }

 private:
  int LineAt(std::size_t offset) const {
    offset = std::min(offset, text_.size());
    return 1 + static_cast<int>(std::count(
                   text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
  }
  int Line() {
    // Lines are counted incrementally: offsets only grow while parsing.
    std::size_t end = mark_.last_token_end == 0 ? 0 : mark_.last_token_end - 1;
    for (; counted_ < end && counted_ < text_.size(); ++counted_) {
      if (text_[counted_] == '\n') ++line_;
    }
    return line_;
  }
  // An array or object being filled. A repeated key is looked for among the members while they
  // are few; a large object keeps a set of its keys so the check stays linear.
  struct OpenValue {
    SeedValue* value;
    std::unordered_set<std::string> keys;
  };
  static constexpr std::size_t kKeysScanned = 16;

  static bool Repeated(OpenValue& open, const std::string& key) {
    auto& members = open.value->members;
    if (members.size() < kKeysScanned) {
      for (const auto& m : members) {
        if (m.key == key) return true;
      }
      return false;
    }
    if (open.keys.empty()) {
      for (const auto& m : members) open.keys.insert(m.key);
    }
    return !open.keys.insert(key).second;
  }

  void Open(SeedValue::Type type) {
    if (stack_.size() >= kMaxSeedDepth) {
      throw SeedError(
          source_, Line(),
          "arrays and objects nest deeper than " + std::to_string(kMaxSeedDepth) + " levels");
    }
    SeedValue& value = Value(type);
    stack_.push_back({&value, {}});
  }

  SeedValue& Value(SeedValue::Type type) {
    SeedValue* slot;
    if (stack_.empty()) {
      slot = &root;
    } else if (stack_.back().value->type == SeedValue::Type::kArray) {
      slot = &stack_.back().value->items.emplace_back();
    } else {
      slot = &stack_.back().value->members.back().value;
    }
    slot->type = type;
    slot->line = Line();
    return *slot;
  }

  std::string_view text_;
  const std::string& source_;
  const ReadMark& mark_;
  std::vector<OpenValue> stack_;
  std::size_t counted_ = 0;
  int line_ = 1;
};

}  // namespace

SeedValue::SeedValue() = default;
SeedValue::SeedValue(SeedValue&&) noexcept = default;
SeedValue& SeedValue::operator=(SeedValue&&) noexcept = default;

// Children are moved onto a work list first, so a deep tree never recurses here.
SeedValue::~SeedValue() {
  if (items.empty() && members.empty()) return;
  std::vector<SeedValue> pending;
  auto take = [&pending](SeedValue& v) {
    for (auto& item : v.items) pending.push_back(std::move(item));
    for (auto& member : v.members) pending.push_back(std::move(member.value));
    v.items.clear();
    v.members.clear();
  };
  take(*this);
  while (!pending.empty()) {
    SeedValue v = std::move(pending.back());
    pending.pop_back();
    take(v);
  }
}

const SeedValue* SeedValue::Find(std::string_view key) const {
  for (const auto& m : members) {
    if (m.key == key) return &m.value;
  }
  return nullptr;
}

std::string_view SeedValue::TypeName() const {
  switch (type) {
    case Type::kNull:
      return "null";
    case Type::kBoolean:
      return "a boolean";
    case Type::kInteger:
      return "a whole number";
    case Type::kFloat:
      return "a number";
    case Type::kString:
      return "a string";
    case Type::kArray:
      return "an array";
    case Type::kObject:
      return "an object";
  }
  return "a value";
}

SeedValue ParseSeedJson(std::string_view json, const std::string& source) {
  ReadMark mark;
  Builder builder(json, source, mark);
  TrackingIterator first(json.data(), json.data(), &mark);
  TrackingIterator last(json.data(), json.data() + json.size(), &mark);
  nlohmann::json::sax_parse(first, last, &builder);
  return std::move(builder.root);
}

}  // namespace moxtrel::directory
