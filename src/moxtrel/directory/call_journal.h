// CallJournal: the provider calls a JournalLayer passes on, in order, so tests can check call
// order and that a member made no provider call at all. It keeps the newest `Capacity()` entries
// (a ring), so a long-running process that is traced cannot grow without bound.
//
//   layer->Journal().Clear();
//   user->FullName(u"Alice");
//   EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 1);
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace moxtrel::directory {

struct JournalEntry {
  std::u16string interface;          // "IADsUser"
  std::u16string member;             // "FullName.put"; gets of typed properties are "FullName"
  std::u16string path;               // the ADsPath of the object called, or the path bound
  std::vector<std::u16string> args;  // arguments as Variant::Describe() shows them

  // "IADsUser.FullName.put WinNT://CORP/alice ("Alice")"
  std::u16string ToString() const;
};

class CallJournal {
 public:
  // Enough for any test and a few minutes of tracing; about 250 bytes an entry.
  static constexpr std::size_t kDefaultCapacity = 100'000;

  void Record(JournalEntry entry);
  const std::deque<JournalEntry>& Entries() const noexcept { return entries_; }
  std::size_t Size() const noexcept { return entries_.size(); }
  // Forgets every entry and gives their memory back.
  void Clear() noexcept;

  // At most this many entries are kept; older ones are dropped first. 0 keeps none.
  std::size_t Capacity() const noexcept { return capacity_; }
  void SetCapacity(std::size_t capacity);
  // Entries dropped to stay within the capacity since the last Clear.
  std::size_t Dropped() const noexcept { return dropped_; }

  // Calls whose "Interface.member" or bare member equals `member` (case-sensitive), optionally
  // only on objects whose path equals `path` (without regard to case).
  std::size_t Count(std::u16string_view member, std::u16string_view path = {}) const;
  // "Interface.member" of every entry, in order: handy for EXPECT_THAT(..., ElementsAre(...)).
  std::vector<std::u16string> Members() const;
  // One line per entry, for failure messages.
  std::string Dump() const;

 private:
  std::deque<JournalEntry> entries_;
  std::size_t capacity_ = kDefaultCapacity;
  std::size_t dropped_ = 0;
};

}  // namespace moxtrel::directory
