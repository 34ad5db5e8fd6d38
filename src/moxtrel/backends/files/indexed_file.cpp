#include "moxtrel/backends/files/indexed_file.h"

#include <cstring>

#include "moxtrel/frame/text.h"

namespace moxtrel::backends::files {

IndexedFile::IndexedFile(std::string label, std::size_t field_count, std::string unreadable)
    : label_(std::move(label)), field_count_(field_count), unreadable_(std::move(unreadable)) {}

std::shared_ptr<const IndexedFile> IndexedFile::Parse(std::string label, std::size_t field_count,
                                                      std::string text) {
  auto file = std::make_shared<IndexedFile>(std::move(label), field_count);
  file->present_ = true;
  file->text_ = std::move(text);
  const std::string_view all = file->text_;
  std::string_view fields[kMaxFields];
  std::size_t pos = 0;
  while (pos < all.size()) {
    std::size_t end = all.find('\n', pos);
    if (end == std::string_view::npos) end = all.size();
    SplitCheckedLine(file->label_, field_count, file->lines_.size() + 1, all.substr(pos, end - pos),
                     fields);
    file->lines_.push_back({static_cast<uint32_t>(pos), static_cast<uint32_t>(end - pos),
                            static_cast<uint32_t>(fields[0].size())});
    pos = end + 1;
  }
  return file;
}

std::string_view IndexedFile::Name(std::size_t entry) const {
  return std::string_view(text_).substr(lines_[entry].start, lines_[entry].name_size);
}

Row IndexedFile::Fields(std::size_t entry) const {
  const std::string_view line = LineText(entry);
  Row row;
  row.reserve(field_count_);
  const char* start = line.data();
  const char* const end = start + line.size();
  while (true) {
    const auto* colon = static_cast<const char*>(std::memchr(start, ':', end - start));
    const char* stop = colon ? colon : end;
    row.emplace_back(start, stop);
    if (!colon) break;
    start = colon + 1;
  }
  return row;
}

std::optional<std::size_t> IndexedFile::FindExact(std::string_view name) const {
  // Comparing the names in order costs about what building the index costs per entry, so a
  // few walks come before the index.
  constexpr uint32_t kWalksBeforeIndex = 4;
  if (walks_.load(std::memory_order_relaxed) < kWalksBeforeIndex) {
    walks_.fetch_add(1, std::memory_order_relaxed);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i].name_size == name.size() && Name(i) == name) return i;
    }
    return std::nullopt;
  }
  std::call_once(indexed_, [this] {
    index_.reserve(lines_.size());
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      index_.emplace(Name(i), static_cast<uint32_t>(i));
    }
  });
  if (auto it = index_.find(name); it != index_.end()) return it->second;
  return std::nullopt;
}

std::optional<std::size_t> IndexedFile::Find(std::string_view name) const {
  if (auto exact = FindExact(name)) return exact;
  const std::u16string wanted = FromUtf8(name);
  std::optional<std::size_t> found;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (EqualsNoCase(FromUtf8(Name(i)), wanted)) {
      if (found) return std::nullopt;  // two entries differ only in case: no unique match
      found = i;
    }
  }
  return found;
}

ColonFile IndexedFile::ToColonFile() const {
  ColonFile file;
  file.label = label_;
  file.field_count = field_count_;
  file.present = present_;
  file.unreadable = unreadable_;
  file.rows.reserve(lines_.size());
  for (std::size_t i = 0; i < lines_.size(); ++i) file.rows.push_back(Fields(i));
  file.Reindex();
  return file;
}

}  // namespace moxtrel::backends::files
