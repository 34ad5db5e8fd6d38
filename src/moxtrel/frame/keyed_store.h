// KeyedStore: the member store of every collection. Entries keep the order they were added in
// (positions are 1-based), keys are unique without regard to case, a number finds by position
// and a string always finds by key, even one made of digits. Lookup is O(1) on average: the
// items sit in one vector in order, their keys with each key's hash in a second one beside it,
// and a flat index holds their positions.
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
  if (index.type() == VarType::kLong) {
    const int32_t position = index.ToLong();
    if (position >= 1 && position <= count) return position - 1;
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
  void Add(T item, std::u16string key) {
    const std::size_t hash = KeyHash(key);
    if (index_.contains(Probe{key, hash})) {
      throw AutomationError(errc::kDuplicateKey,
                            u"The key \"" + key + u"\" is already used by another member");
    }
    items_.push_back(std::move(item));
    try {
      keys_.push_back(Key{std::move(key), hash});
      try {
        index_.insert(static_cast<int32_t>(keys_.size() - 1));
      } catch (...) {
        keys_.pop_back();
        throw;
      }
    } catch (...) {
      items_.pop_back();
      throw;
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

  // Takes an entry out; later entries move up one position.
  void Remove(const Variant& index) {
    const int32_t at = Resolve(index);
    items_.erase(items_.begin() + at);
    keys_.erase(keys_.begin() + at);
    // Positions after `at` changed: index them again (the stored hashes are reused).
    index_.clear();
    for (int32_t i = 0; i < Count(); ++i) index_.insert(i);
  }

  const T& At(int32_t zero_based) const { return items_.at(zero_based); }
  const std::u16string& KeyAt(int32_t zero_based) const { return keys_.at(zero_based).text; }
  Variant ItemAt(int32_t zero_based) const override { return Variant(At(zero_based)); }

  std::shared_ptr<Enumerator> NewEnum() const {
    return Enumerator::Create(this->shared_from_this());
  }

 private:
  KeyedStore() = default;

  // Items and keys are kept apart so that a read by position or an enumeration touches only
  // the items, densely packed like a plain vector of them; only a lookup by key reads a key.
  struct Key {
    std::u16string text;
    std::size_t hash;  // of the folded key, kept so the index never hashes a key twice
  };
  // A key looked up, with its hash.
  struct Probe {
    std::u16string_view key;
    std::size_t hash;
  };
  // The index holds positions; hashing and comparing them reads the keys they name.
  struct IndexHash {
    using is_transparent = void;
    const std::vector<Key>* keys;
    std::size_t operator()(int32_t at) const noexcept {
      return (*keys)[static_cast<std::size_t>(at)].hash;
    }
    std::size_t operator()(const Probe& probe) const noexcept { return probe.hash; }
  };
  struct IndexEqual {
    using is_transparent = void;
    const std::vector<Key>* keys;
    bool operator()(int32_t a, int32_t b) const noexcept {
      const Key& x = (*keys)[static_cast<std::size_t>(a)];
      const Key& y = (*keys)[static_cast<std::size_t>(b)];
      return a == b || (x.hash == y.hash && EqualsNoCase(x.text, y.text));
    }
    bool operator()(int32_t at, const Probe& probe) const noexcept {
      const Key& x = (*keys)[static_cast<std::size_t>(at)];
      return x.hash == probe.hash && EqualsNoCase(x.text, probe.key);
    }
    bool operator()(const Probe& probe, int32_t at) const noexcept { return (*this)(at, probe); }
  };

  static std::size_t KeyHash(std::u16string_view key) noexcept {
    // The folded FNV hash, mixed so that its high and low bits both vary.
    uint64_t h = NoCaseHash{}(key);
    h ^= h >> 32;
    h *= 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
    return static_cast<std::size_t>(h);
  }

  int32_t Resolve(const Variant& index) const {
    return ResolveIndex(index, Count(), [this](const std::u16string& key) {
      auto it = index_.find(Probe{key, KeyHash(key)});
      return it == index_.end() ? -1 : *it;
    });
  }

  std::vector<T> items_;
  std::vector<Key> keys_;
  absl::flat_hash_set<int32_t, IndexHash, IndexEqual> index_{0, IndexHash{&keys_},
                                                             IndexEqual{&keys_}};
};

}  // namespace moxtrel
