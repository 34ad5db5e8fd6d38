// IndexedFile: an account file as read for looking at it, not for editing it: its text, checked
// line by line as ColonFile::Parse checks it, and its entries found by name without splitting
// every line into fields. The first few lookups walk the names (a bind and one read need no
// more); the name index is built when more follow, as in reading every listed account.
//
//   auto passwd = IndexedFile::Parse("etc/passwd", kPasswdFields, text);  // throws "etc/passwd:3:
//   ..." if (auto i = passwd->FindExact("alice")) Row pw = passwd->Fields(*i);
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "absl/container/flat_hash_map.h"
#include "moxtrel/backends/files/colon_file.h"

namespace moxtrel::backends::files {

class IndexedFile {
 public:
  // A file that does not exist (`unreadable` empty) or cannot be read (`unreadable` says why).
  IndexedFile(std::string label, std::size_t field_count, std::string unreadable = {});
  IndexedFile(const IndexedFile&) = delete;
  IndexedFile& operator=(const IndexedFile&) = delete;

  static std::shared_ptr<const IndexedFile> Parse(std::string label, std::size_t field_count,
                                                  std::string text);

  const std::string& label() const noexcept { return label_; }
  std::size_t field_count() const noexcept { return field_count_; }
  bool present() const noexcept { return present_; }
  const std::string& unreadable() const noexcept { return unreadable_; }
  const std::string& text() const noexcept { return text_; }

  std::size_t size() const noexcept { return lines_.size(); }
  std::string_view Name(std::size_t entry) const;
  Row Fields(std::size_t entry) const;

  // As ColonFile::FindExact and ColonFile::Find.
  std::optional<std::size_t> FindExact(std::string_view name) const;
  std::optional<std::size_t> Find(std::string_view name) const;

  // The full parse, for what edits or walks every field.
  ColonFile ToColonFile() const;

 private:
  struct Line {
    uint32_t start, size, name_size;
  };
  std::string_view LineText(std::size_t entry) const {
    return std::string_view(text_).substr(lines_[entry].start, lines_[entry].size);
  }

  std::string label_;
  std::size_t field_count_;
  bool present_ = false;
  std::string unreadable_;
  std::string text_;
  std::vector<Line> lines_;
  mutable std::atomic<uint32_t> walks_{0};
  mutable std::once_flag indexed_;
  mutable absl::flat_hash_map<std::string_view, uint32_t> index_;  // the first entry of each name
};

}  // namespace moxtrel::backends::files
