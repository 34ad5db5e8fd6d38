// KeyedStore: the member store of every collection. Entries keep the order they were added in
// (positions are 1-based), keys are unique without regard to case, a number finds by position
// and a string always finds by key, even one made of digits. Lookup is O(1) on average: the
// items sit in one vector in order, and a KeyIndex beside it finds a key's position.
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

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/enumerator.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/key_index.h"
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
  KeyedStore(const KeyedStore&) = delete;
  KeyedStore& operator=(const KeyedStore&) = delete;

  int32_t Count() const override { return static_cast<int32_t>(items_.size()); }

  // Room for `count` entries, for a listing that knows its length.
  void Reserve(std::size_t count) {
    items_.reserve(count);
    keys_.Reserve(count);
  }

  // Adds an entry; a key already present (without regard to case) fails and adds nothing.
  void Add(T item, std::u16string_view key) {
    keys_.Append(key);
    try {
      items_.push_back(std::move(item));
    } catch (...) {
      keys_.PopBack();
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
    keys_.Erase(static_cast<std::size_t>(at));
    items_.erase(items_.begin() + at);
  }

  const T& At(int32_t zero_based) const { return items_.at(zero_based); }
  std::u16string_view KeyAt(int32_t zero_based) const {
    return keys_.KeyAt(static_cast<std::size_t>(zero_based));
  }
  Variant ItemAt(int32_t zero_based) const override { return Variant(At(zero_based)); }

  std::shared_ptr<Enumerator> NewEnum() const {
    return Enumerator::Create(this->shared_from_this());
  }

 private:
  KeyedStore() = default;

  int32_t Resolve(const Variant& index) const {
    // A position in range is answered here, inline, without the general path's call.
    if (const int32_t* p = index.IfLong(); p && *p >= 1 && *p <= Count()) return *p - 1;
    return ResolveIndex(index, Count(),
                        [this](const std::u16string& key) { return keys_.Find(key); });
  }

  // Items and keys are kept apart so that a read by position or an enumeration touches only
  // the items, densely packed like a plain vector of them.
  std::vector<T> items_;
  KeyIndex keys_;
};

}  // namespace moxtrel
