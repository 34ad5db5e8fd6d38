// KeyIndex: the keys of a KeyedStore in position order, unique without regard to case, with a
// flat hash index from a key to its position. The keys' text sits end to end in one arena, and
// each index slot holds a key's hash, its place in the arena and its position, so a lookup
// reads the index, the key's text and nothing else. The hash table itself lives in the source
// file: a client of the header needs no hash table library.
//
//   KeyIndex keys;
//   keys.Append(u"Alice");       // position 0
//   keys.Find(u"ALICE");         // 0
//   keys.Find(u"Bob");           // -1
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace moxtrel {

class KeyIndex {
 public:
  KeyIndex();
  ~KeyIndex();
  KeyIndex(const KeyIndex&) = delete;  // the index points at this object's arena
  KeyIndex& operator=(const KeyIndex&) = delete;

  std::size_t size() const noexcept { return keys_.size(); }
  void Reserve(std::size_t count);

  // The position of `key` (0-based), or -1 when no key matches it without regard to case.
  int32_t Find(std::u16string_view key) const noexcept;

  // Appends `key` at the next position. A key already present fails with kDuplicateKey, and a
  // failure of any kind leaves the index as it was.
  void Append(std::u16string_view key);
  // Takes the last key away again, for a caller whose own step after Append failed.
  void PopBack() noexcept;
  // Takes the key at `position` out; later keys move up one position. Its text stays in the
  // arena until the index is dropped (a listing is rebuilt in a new store anyway).
  void Erase(std::size_t position);

  std::u16string_view KeyAt(std::size_t position) const {
    const Span& s = keys_.at(position);
    return std::u16string_view(text_).substr(s.offset, s.length);
  }

 private:
  struct Span {
    uint32_t offset;
    uint32_t length;
  };
  // The hash table of slots, defined in the source file.
  struct Table;

  std::vector<Span> keys_;  // by position
  std::u16string text_;     // every key's text, end to end
  std::unique_ptr<Table> table_;
};

}  // namespace moxtrel
