#include "moxtrel/journal/call_journal.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::directory {

std::u16string JournalEntry::ToString() const {
  std::u16string out = interface + u"." + member + u" " + path;
  if (!args.empty()) {
    out += u" (";
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (i) out += u", ";
      out += args[i];
    }
    out += u")";
  }
  return out;
}

std::u16string JournalEntry::OutcomeText() const {
  switch (outcome) {
    case Outcome::kPending:
      return {};
    case Outcome::kOk:
      return u"ok";
    case Outcome::kFailed:
      break;
  }
  return FromUtf8(FormatCode(code)) + u" " + error;
}

std::u16string JournalEntry::TraceLine() const {
  std::u16string out = ToString();
  if (outcome != Outcome::kPending) out += u" -> " + OutcomeText();
  if (!trapped_by.empty()) out += u" (trapped by " + trapped_by + u")";
  return out;
}

uint64_t CallJournal::Record(JournalEntry entry) {
  const uint64_t sequence = next_sequence_++;
  if (capacity_ == 0) {
    ++dropped_;
    first_sequence_ = next_sequence_;
    return sequence;
  }
  if (entries_.size() == capacity_) {
    entries_.pop_front();
    ++first_sequence_;
    ++dropped_;
  }
  entries_.push_back(std::move(entry));
  return sequence;
}

JournalEntry* CallJournal::At(uint64_t sequence) noexcept {
  if (sequence < first_sequence_ || sequence - first_sequence_ >= entries_.size()) return nullptr;
  return &entries_[sequence - first_sequence_];
}

void CallJournal::Clear() noexcept {
  std::deque<JournalEntry>().swap(entries_);
  dropped_ = 0;
  first_sequence_ = next_sequence_;
}

void CallJournal::SetCapacity(std::size_t capacity) {
  capacity_ = capacity;
  while (entries_.size() > capacity_) {
    entries_.pop_front();
    ++first_sequence_;
    ++dropped_;
  }
}

std::vector<JournalEntry> CallJournal::Failed() const {
  std::vector<JournalEntry> out;
  for (const auto& e : entries_) {
    if (e.failed()) out.push_back(e);
  }
  return out;
}

std::size_t CallJournal::Count(std::u16string_view member, std::u16string_view path) const {
  std::size_t n = 0;
  for (const auto& e : entries_) {
    bool member_matches = e.member == member;
    if (!member_matches && member.size() == e.interface.size() + 1 + e.member.size()) {
      member_matches = member.starts_with(e.interface) && member[e.interface.size()] == u'.' &&
                       member.ends_with(e.member);
    }
    if (member_matches && (path.empty() || EqualsNoCase(e.path, path))) ++n;
  }
  return n;
}

std::vector<std::u16string> CallJournal::Members() const {
  std::vector<std::u16string> out;
  out.reserve(entries_.size());
  for (const auto& e : entries_) out.push_back(e.interface + u"." + e.member);
  return out;
}

std::string CallJournal::Dump() const {
  std::string out;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    out += std::to_string(i + 1) + ": " + ToUtf8(entries_[i].TraceLine()) + "\n";
  }
  return out;
}

}  // namespace moxtrel::directory
