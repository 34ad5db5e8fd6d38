#include "moxtrel/frame/key_index.h"

#include <absl/container/flat_hash_set.h>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel {
namespace {

struct Slot {
  uint32_t hash;  // of the folded key, kept so that growing the index hashes no key again
  uint32_t position;
  uint32_t offset;  // the key's text in the arena
  uint32_t length;
};
// A key looked up, with its hash.
struct Probe {
  std::u16string_view key;
  uint32_t hash;
};

// The stored 32 bits spread over the whole word the table probes with.
std::size_t Spread(uint32_t hash) noexcept {
  return static_cast<std::size_t>(hash * 0x9E3779B97F4A7C15ull);
}

struct IndexHash {
  using is_transparent = void;
  std::size_t operator()(const Slot& slot) const noexcept { return Spread(slot.hash); }
  std::size_t operator()(const Probe& probe) const noexcept { return Spread(probe.hash); }
};

struct IndexEqual {
  using is_transparent = void;
  const std::u16string* text;
  std::u16string_view View(const Slot& s) const noexcept {
    return std::u16string_view(*text).substr(s.offset, s.length);
  }
  bool operator()(const Slot& a, const Slot& b) const noexcept {
    return a.position == b.position || (a.hash == b.hash && EqualsNoCase(View(a), View(b)));
  }
  bool operator()(const Slot& slot, const Probe& probe) const noexcept {
    return slot.hash == probe.hash && EqualsNoCase(View(slot), probe.key);
  }
  bool operator()(const Probe& probe, const Slot& slot) const noexcept {
    return (*this)(slot, probe);
  }
};

uint32_t KeyHash(std::u16string_view key) noexcept {
  const uint64_t h = NoCaseHash{}(key);
  return static_cast<uint32_t>(h ^ (h >> 32));
}

}  // namespace

struct KeyIndex::Table {
  explicit Table(const std::u16string* text) : set(0, IndexHash{}, IndexEqual{text}) {}
  absl::flat_hash_set<Slot, IndexHash, IndexEqual> set;
};

KeyIndex::KeyIndex() : table_(std::make_unique<Table>(&text_)) {}
KeyIndex::~KeyIndex() = default;

void KeyIndex::Reserve(std::size_t count) {
  keys_.reserve(count);
  table_->set.reserve(count);
}

int32_t KeyIndex::Find(std::u16string_view key) const noexcept {
  const auto it = table_->set.find(Probe{key, KeyHash(key)});
  return it == table_->set.end() ? -1 : static_cast<int32_t>(it->position);
}

void KeyIndex::Append(std::u16string_view key) {
  if (text_.size() + key.size() > UINT32_MAX) {
    throw AutomationError(errc::kFail, u"The collection's keys exceed 8 GiB of text");
  }
  const uint32_t hash = KeyHash(key);
  const Span span{static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(key.size())};
  const std::size_t count = keys_.size();
  // One probe finds a duplicate or the new slot's place; the slot names text appended next.
  bool added = false;
  const auto it = table_->set.lazy_emplace(Probe{key, hash}, [&](const auto& construct) {
    added = true;
    construct(Slot{hash, static_cast<uint32_t>(count), span.offset, span.length});
  });
  if (!added) {
    throw AutomationError(errc::kDuplicateKey, u"The key \"" + std::u16string(key) +
                                                   u"\" is already used by another member");
  }
  try {
    text_.append(key);
    keys_.push_back(span);
  } catch (...) {
    table_->set.erase(it);
    keys_.resize(count);
    text_.resize(span.offset);
    throw;
  }
}

void KeyIndex::PopBack() noexcept {
  if (keys_.empty()) return;
  const Span last = keys_.back();
  const std::u16string_view key = std::u16string_view(text_).substr(last.offset, last.length);
  table_->set.erase(Probe{key, KeyHash(key)});
  keys_.pop_back();
  text_.resize(last.offset);
}

void KeyIndex::Erase(std::size_t position) {
  keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(position));
  // Positions after `position` changed: index them again.
  table_->set.clear();
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    const std::u16string_view key = KeyAt(i);
    table_->set.insert(
        Slot{KeyHash(key), static_cast<uint32_t>(i), keys_[i].offset, keys_[i].length});
  }
}

}  // namespace moxtrel
