#include "moxtrel/directory/call_journal.h"

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

void CallJournal::Record(JournalEntry entry) {
  if (capacity_ == 0) {
    ++dropped_;
    return;
  }
  if (entries_.size() == capacity_) {
    entries_.pop_front();
    ++dropped_;
  }
  entries_.push_back(std::move(entry));
}

void CallJournal::Clear() noexcept {
  std::deque<JournalEntry>().swap(entries_);
  dropped_ = 0;
}

void CallJournal::SetCapacity(std::size_t capacity) {
  capacity_ = capacity;
  while (entries_.size() > capacity_) {
    entries_.pop_front();
    ++dropped_;
  }
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
    out += std::to_string(i + 1) + ": " + ToUtf8(entries_[i].ToString()) + "\n";
  }
  return out;
}

}  // namespace moxtrel::directory
