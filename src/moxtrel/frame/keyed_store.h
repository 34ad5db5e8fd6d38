// KeyedStore: the member store of every collection. Entries keep the order they were added in
// (positions are 1-based), keys are unique without regard to case, a number finds by position
// and a string always finds by key, even one made of digits. Lookup is O(1) on average.
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
#include <unordered_map>
#include <vector>

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

  int32_t Count() const override { return static_cast<int32_t>(entries_.size()); }

  // Adds an entry; a key already present (without regard to case) fails and adds nothing.
  void Add(T item, std::u16string key) {
    const auto position = static_cast<int32_t>(entries_.size());
    auto [it, inserted] = index_.try_emplace(key, position);
    if (!inserted) {
      throw AutomationError(errc::kDuplicateKey,
                            u"The key \"" + key + u"\" is already used by another member");
    }
    entries_.push_back(Entry{std::move(item), std::move(key)});
  }

  const T& Item(const Variant& index) const { return entries_[Resolve(index)].item; }

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
    index_.erase(entries_[at].key);
    entries_.erase(entries_.begin() + at);
    for (int32_t i = at; i < Count(); ++i) index_[entries_[i].key] = i;
  }

  const T& At(int32_t zero_based) const { return entries_.at(zero_based).item; }
  const std::u16string& KeyAt(int32_t zero_based) const { return entries_.at(zero_based).key; }
  Variant ItemAt(int32_t zero_based) const override { return Variant(At(zero_based)); }

  std::shared_ptr<Enumerator> NewEnum() const {
    return Enumerator::Create(this->shared_from_this());
  }

 private:
  KeyedStore() = default;

  int32_t Resolve(const Variant& index) const {
    return ResolveIndex(index, Count(), [this](const std::u16string& key) {
      auto it = index_.find(key);
      return it == index_.end() ? -1 : it->second;
    });
  }

  struct Entry {
    T item;
    std::u16string key;
  };
  std::vector<Entry> entries_;
  std::unordered_map<std::u16string, int32_t, NoCaseHash, NoCaseEqual> index_;
};

}  // namespace moxtrel
