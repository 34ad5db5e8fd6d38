#include "moxtrel/backends/files/colon_file.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::files {
namespace {

[[noreturn]] void Malformed(const std::string& label, std::size_t line, const std::string& why) {
  throw AutomationError(errc::kFail, FromUtf8(label + ":" + std::to_string(line) + ": " + why));
}

// Whether `s` is a number of 0 to UINT32_MAX written in decimal digits alone.
bool IsNumber(std::string_view s) {
  if (s.empty() || s.size() > 10) return false;
  uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  return v <= UINT32_MAX;
}

// The fields that must hold a number (or, for shadow, may be empty) in each kind of file.
void CheckNumbers(const std::string& label, std::size_t field_count, std::size_t line,
                  const std::string_view* row) {
  auto need = [&](std::size_t i, const char* what, bool may_be_empty) {
    if (row[i].empty() && may_be_empty) return;
    if (!IsNumber(row[i])) {
      Malformed(label, line,
                std::string(what) + " \"" + std::string(row[i]) + "\" is not a number");
    }
  };
  if (row[0].empty()) Malformed(label, line, "the name is empty");
  if (field_count == kPasswdFields) {
    need(kPwUid, "the uid", false);
    need(kPwGid, "the gid", false);
  } else if (field_count == kShadowFields) {
    for (std::size_t i = kSpLastChange; i <= kSpExpire; ++i) {
      // shadow allows -1 for "not set" in the day fields.
      if (row[i] == "-1") continue;
      need(i, "a day count", true);
    }
  } else if (field_count == kGroupFields && label.find("gshadow") == std::string::npos) {
    need(kGrGid, "the gid", false);
  }
}

}  // namespace

void AppendFieldText(std::u16string& out, std::string_view field) {
  const std::size_t at = out.size();
  out.resize(at + field.size());
  char16_t* to = out.data() + at;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const auto c = static_cast<unsigned char>(field[i]);
    if (c >= 0x80) {
      out.resize(at);
      out += FromUtf8(field);
      return;
    }
    to[i] = c;
  }
}

std::u16string FieldText(std::string_view field) {
  if (std::all_of(field.begin(), field.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return std::u16string(field.begin(), field.end());
  }
  return FromUtf8(field);
}

void SplitCheckedLine(const std::string& label, std::size_t field_count, std::size_t line,
                      std::string_view raw, std::string_view* fields) {
  if (std::memchr(raw.data(), '\0', raw.size()) != nullptr) {
    Malformed(label, line, "holds a NUL byte");
  }
  const char* const end = raw.data() + raw.size();
  const char* start = raw.data();
  std::size_t found = 0;
  while (true) {
    const auto* colon = static_cast<const char*>(std::memchr(start, ':', end - start));
    const char* stop = colon ? colon : end;
    if (found < kMaxFields) fields[found] = std::string_view(start, stop - start);
    ++found;
    if (!colon) break;
    start = colon + 1;
  }
  if (found != field_count) {
    Malformed(
        label, line,
        "expected " + std::to_string(field_count) + " fields, found " + std::to_string(found));
  }
  CheckNumbers(label, field_count, line, fields);
}

ColonFile ColonFile::Parse(std::string label, std::size_t field_count, std::string_view text) {
  ColonFile file;
  file.label = std::move(label);
  file.field_count = field_count;
  file.present = true;
  std::size_t line = 0;
  std::size_t pos = 0;
  std::string_view fields[kMaxFields];
  while (pos < text.size()) {
    ++line;
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    SplitCheckedLine(file.label, field_count, line, text.substr(pos, end - pos), fields);
    pos = end + 1;
    file.rows.emplace_back(fields, fields + field_count);
  }
  file.Reindex();
  return file;
}

std::string ColonFile::Format() const {
  std::string out;
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i) out += ':';
      out += row[i];
    }
    out += '\n';
  }
  return out;
}

void ColonFile::Reindex() {
  index_.clear();
  index_.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) index_.emplace(rows[i][0], i);
}

std::optional<std::size_t> ColonFile::FindExact(std::string_view name) const {
  if (auto it = index_.find(std::string(name)); it != index_.end()) return it->second;
  return std::nullopt;
}

std::optional<std::size_t> ColonFile::Find(std::string_view name) const {
  if (auto exact = FindExact(name)) return exact;
  const std::u16string wanted = FromUtf8(name);
  std::optional<std::size_t> found;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (EqualsNoCase(FromUtf8(rows[i][0]), wanted)) {
      if (found) return std::nullopt;  // two entries differ only in case: no unique match
      found = i;
    }
  }
  return found;
}

void ColonFile::Append(Row row) {
  index_.emplace(row[0], rows.size());
  rows.push_back(std::move(row));
}

void ColonFile::Erase(std::size_t row) {
  rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
  Reindex();
}

std::size_t MaxEntryBytes(std::string_view label) {
  // The account tools warn of a "too long passwd entry" at 32768 bytes and then no longer see
  // it; the other files were checked to read entries of 4 MiB.
  return label.ends_with("passwd") ? 32767 : (std::size_t{4} << 20) - 1;
}

std::vector<std::string> SplitList(std::string_view field) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= field.size() && !field.empty()) {
    std::size_t comma = field.find(',', start);
    std::string_view item =
        field.substr(start, comma == std::string_view::npos ? field.npos : comma - start);
    if (!item.empty()) out.emplace_back(item);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return out;
}

std::string JoinList(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& item : items) {
    if (!out.empty()) out += ',';
    out += item;
  }
  return out;
}

std::optional<int64_t> NumberField(std::string_view field) {
  if (field.empty() || field == "-1") return std::nullopt;
  int64_t v = 0;
  std::from_chars(field.data(), field.data() + field.size(), v);
  return v;
}

uint32_t IdField(std::string_view field) {
  uint32_t v = 0;
  std::from_chars(field.data(), field.data() + field.size(), v);
  return v;
}

}  // namespace moxtrel::backends::files
