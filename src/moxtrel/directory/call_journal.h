// CallJournal: every provider call the embedded directory receives, in order, so tests can
// check call order and that a member made no provider call at all.
//
//   dir->Journal().Clear();
//   user->FullName(u"Alice");
//   EXPECT_EQ(dir->Journal().Count(u"IADs.SetInfo"), 1);
#pragma once

#include <cstddef>
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
  void Record(JournalEntry entry);
  const std::vector<JournalEntry>& Entries() const noexcept { return entries_; }
  std::size_t Size() const noexcept { return entries_.size(); }
  void Clear() noexcept { entries_.clear(); }

  // Calls whose "Interface.member" or bare member equals `member` (case-sensitive), optionally
  // only on objects whose path equals `path` (without regard to case).
  std::size_t Count(std::u16string_view member, std::u16string_view path = {}) const;
  // "Interface.member" of every entry, in order: handy for EXPECT_THAT(..., ElementsAre(...)).
  std::vector<std::u16string> Members() const;
  // One line per entry, for failure messages.
  std::string Dump() const;

 private:
  std::vector<JournalEntry> entries_;
};

}  // namespace moxtrel::directory
