// KeyedStore: the member store of every collection. Entries keep the order they were added in
// (positions are 1-based), keys are unique without regard to case, a number finds by position
// and a string always finds by key, even one made of digits. Lookup is O(1) on average: the
// items sit in one vector in order, the keys' text end to end in one arena beside it, and a
// flat index holds each key's hash, place in the arena and position.
//
//   auto store = KeyedStore<std::shared_ptr<moxUser>>::Create();
//   store->Add(user, u"Alice");
//   store->Item(Variant(u"ALICE"));   // by key
//   store->Item(Variant(int32_t{1})); // by position
//   auto e = store->NewEnum();        // keeps the store alive
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <absl/container/flat_hash_set.h>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/enumerator.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel {

// Turns an index variant into a 0-based position of a store of `count` entries, looking keys
// up through `find_key` (which returns -1 for an unknown key). Throws the lookup errors.
template <class FindKey>
int32_t ResolveIndex(const Variant& index, int32_t count, FindKey&& find_key) {
  // A Long in range, the usual position, needs no trip through double.
  if (const int32_t* position = index.IfLong(); position && *position >= 1 && *position <= count) {
    return *position - 1;
  }
  if (index.IsString()) {
    const int32_t at = find_key(index.AsString());
    if (at < 0) {
      throw AutomationError(errc::kInvalidProcedureCall,
                            u"No member has the key \"" + index.AsString() + u"\"");
    }
    return at;
  }
  if (!index.IsNumeric()) {
    throw AutomationError(
        errc::kTypeMismatch,
        std::u16string(u"An index must be a position or a key, not ") + index.TypeName());
  }
  const double position = std::nearbyint(index.ToDouble());
  if (!(position >= 1 && position <= count)) {
    throw AutomationError(errc::kSubscriptOutOfRange, u"Position " + index.ToString() +
                                                          u" is outside 1.." +
                                                          DecimalText(static_cast<int64_t>(count)));
  }
  return static_cast<int32_t>(position) - 1;
}

template <class T>
class KeyedStore final : public EnumerableSource,
                         public std::enable_shared_from_this<KeyedStore<T>> {
 public:
  static std::shared_ptr<KeyedStore> Create() {
    return std::shared_ptr<KeyedStore>(new KeyedStore);
  }
  KeyedStore(const KeyedStore&) = delete;  // the index points at this object's entries
  KeyedStore& operator=(const KeyedStore&) = delete;

  int32_t Count() const override { return static_cast<int32_t>(items_.size()); }

  // Room for `count` entries, for a listing that knows its length.
  void Reserve(std::size_t count) {
    items_.reserve(count);
    keys_.reserve(count);
    index_.reserve(count);
  }

  // Adds an entry; a key already present (without regard to case) fails and adds nothing.
  void Add(T item, std::u16string_view key) {
    const uint32_t hash = KeyHash(key);
    if (text_.size() + key.size() > UINT32_MAX) {
      throw AutomationError(errc::kFail, u"The collection's keys exceed 8 GiB of text");
    }
    const Span span{static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(key.size())};
    const std::size_t text_size = text_.size();
    const auto position = static_cast<uint32_t>(items_.size());
    // The key's text goes into the arena first, so one probe of the index both finds a key
    // already present and places the new one.
    text_.append(key);
    bool placed = false;
    try {
      placed = index_.insert(Slot{hash, position, span}).second;
      if (placed) {
        keys_.push_back(span);
        items_.push_back(std::move(item));
      }
    } catch (...) {
      if (placed) index_.erase(Slot{hash, position, span});
      if (keys_.size() > items_.size()) keys_.pop_back();
      text_.resize(text_size);
      throw;
    }
    if (!placed) {
      text_.resize(text_size);
      throw AutomationError(errc::kDuplicateKey, u"The key \"" + std::u16string(key) +
                                                     u"\" is already used by another member");
    }
  }

  const T& Item(const Variant& index) const { return items_[Resolve(index)]; }

  bool Exists(const Variant& index) const noexcept {
    try {
      Resolve(index);
      return true;
    } catch (const AutomationError&) {
      return false;
    }
  }

  // Takes an entry out; later entries move up one position. Its key's text stays in the
  // arena until the store is dropped (a listing is rebuilt in a new store anyway).
  void Remove(const Variant& index) {
    const int32_t at = Resolve(index);
    items_.erase(items_.begin() + at);
    keys_.erase(keys_.begin() + at);
    // Positions after `at` changed: index them again.
    index_.clear();
    for (std::size_t i = 0; i < keys_.size(); ++i) {
      index_.insert(Slot{KeyHash(Text(keys_[i])), static_cast<uint32_t>(i), keys_[i]});
    }
  }

  const T& At(int32_t zero_based) const { return items_.at(zero_based); }
  std::u16string_view KeyAt(int32_t zero_based) const { return Text(keys_.at(zero_based)); }
  Variant ItemAt(int32_t zero_based) const override { return Variant(At(zero_based)); }

  std::shared_ptr<Enumerator> NewEnum() const {
    return Enumerator::Create(this->shared_from_this());
  }

 private:
  KeyedStore() = default;

  // Items and keys are kept apart so that a read by position or an enumeration touches only
  // the items, densely packed like a plain vector of them. The keys' text sits end to end in
  // one arena, and each index slot says where its key is, so a lookup by key reads the index,
  // the key's text and the item, and nothing else.
  struct Span {
    uint32_t offset;
    uint32_t length;
  };
  struct Slot {
    uint32_t hash;  // of the folded key, kept so that growing the index hashes no key again
    uint32_t position;
    Span key;
  };
  // A key looked up, with its hash.
  struct Probe {
    std::u16string_view key;
    uint32_t hash;
  };
  // The stored 32 bits spread over the whole word the table probes with.
  static std::size_t Spread(uint32_t hash) noexcept {
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
    std::u16string_view View(const Span& s) const noexcept {
      return std::u16string_view(*text).substr(s.offset, s.length);
    }
    bool operator()(const Slot& a, const Slot& b) const noexcept {
      return a.position == b.position ||
             (a.hash == b.hash && EqualsNoCase(View(a.key), View(b.key)));
    }
    bool operator()(const Slot& slot, const Probe& probe) const noexcept {
      return slot.hash == probe.hash && EqualsNoCase(View(slot.key), probe.key);
    }
    bool operator()(const Probe& probe, const Slot& slot) const noexcept {
      return (*this)(slot, probe);
    }
  };

  static uint32_t KeyHash(std::u16string_view key) noexcept {
    const uint64_t h = NoCaseHash{}(key);
    return static_cast<uint32_t>(h ^ (h >> 32));
  }
  std::u16string_view Text(const Span& s) const noexcept {
    return std::u16string_view(text_).substr(s.offset, s.length);
  }

  int32_t Resolve(const Variant& index) const {
    // A position in range is answered here, inline, without the general path's call.
    if (const int32_t* p = index.IfLong(); p && *p >= 1 && *p <= Count()) return *p - 1;
    return ResolveIndex(index, Count(), [this](const std::u16string& key) {
      auto it = index_.find(Probe{key, KeyHash(key)});
      return it == index_.end() ? -1 : static_cast<int32_t>(it->position);
    });
  }

  std::vector<T> items_;
  std::vector<Span> keys_;  // by position
  std::u16string text_;     // every key's text, end to end
  absl::flat_hash_set<Slot, IndexHash, IndexEqual> index_{0, IndexHash{}, IndexEqual{&text_}};
};

}  // namespace moxtrel
