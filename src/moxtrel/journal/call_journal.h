// CallJournal: the provider calls a JournalLayer passes on, in order, so tests can check call
// order and that a member made no provider call at all. It keeps the newest `Capacity()` entries
// (a ring), so a long-running process that is traced cannot grow without bound. Each entry
// carries the call's outcome once it has returned: ok, or the error's code and description, and
// the object model member that trapped that error, if one did.
//
//   layer->Journal().Clear();
//   user->FullName(u"Alice");
//   EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 1);
//   EXPECT_THAT(layer->Journal().Failed(), ElementsAre(Field(&JournalEntry::trapped_by,
//                                                            u"moxUsers.Add")));
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace moxtrel::directory {

struct JournalEntry {
  enum class Outcome : uint8_t { kPending, kOk, kFailed };

  std::u16string interface;             // "IADsUser"
  std::u16string member;                // "FullName.put"; gets of typed properties are "FullName"
  std::u16string path;                  // the ADsPath of the object called, or the path bound
  std::vector<std::u16string> args;     // arguments as Variant::Describe() shows them
  Outcome outcome = Outcome::kPending;  // pending while the call has not returned
  int32_t code = 0;                     // a failed call's error code
  std::u16string error{};               // and its description
  std::u16string trapped_by{};          // "moxUsers.Add": the member that trapped the error

  bool failed() const noexcept { return outcome == Outcome::kFailed; }
  // "IADsUser.FullName.put WinNT://CORP/alice ("Alice")": the call alone.
  std::u16string ToString() const;
  // "ok", "0x80070005 Access is denied", or empty while pending.
  std::u16string OutcomeText() const;
  // The call and its outcome, as --trace prints it:
  // "IADs.SetInfo WinNT://CORP/bob -> 0x80070005 Access is denied (trapped by moxUsers.Add)"
  std::u16string TraceLine() const;
};

class CallJournal {
 public:
  // Enough for any test and a few minutes of tracing; about 250 bytes an entry.
  static constexpr std::size_t kDefaultCapacity = 100'000;

  // Returns the entry's sequence number (from 1), by which At finds it while it is kept.
  uint64_t Record(JournalEntry entry);
  JournalEntry* At(uint64_t sequence) noexcept;
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
  // The entries whose call failed, in order.
  std::vector<JournalEntry> Failed() const;
  // "Interface.member" of every entry, in order: handy for EXPECT_THAT(..., ElementsAre(...)).
  std::vector<std::u16string> Members() const;
  // One line per entry with its outcome, for failure messages.
  std::string Dump() const;

 private:
  std::deque<JournalEntry> entries_;
  std::size_t capacity_ = kDefaultCapacity;
  std::size_t dropped_ = 0;
  uint64_t first_sequence_ = 1;  // of entries_.front()
  uint64_t next_sequence_ = 1;
};

}  // namespace moxtrel::directory
