#include "moxtrel/backends/files/change_record.h"

#include <charconv>
#include <cstdio>
#include <unordered_map>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::files {
namespace {

constexpr std::string_view kHeader = "moxtrel account change 1";

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

std::string_view KeyOf(std::string_view line) {
  return line.substr(0, line.find(':'));
}

// The first line of each name.
std::unordered_map<std::string_view, std::size_t> FirstOfEachName(
    const std::vector<std::string_view>& lines) {
  std::unordered_map<std::string_view, std::size_t> first;
  first.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) first.emplace(KeyOf(lines[i]), i);
  return first;
}

std::string Hex(uint64_t v) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return buf;
}

}  // namespace

uint64_t Digest(std::string_view text) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::vector<std::string> DiffEntries(std::string_view before, std::string_view after) {
  const auto old_lines = Lines(before), new_lines = Lines(after);
  const auto old_first = FirstOfEachName(old_lines), new_first = FirstOfEachName(new_lines);
  std::vector<std::string> edits;
  for (std::size_t i = 0; i < old_lines.size(); ++i) {
    const std::string_view key = KeyOf(old_lines[i]);
    if (old_first.at(key) == i && !new_first.contains(key))
      edits.push_back("D:" + std::string(key));
  }
  for (std::size_t i = 0; i < new_lines.size(); ++i) {
    const std::string_view key = KeyOf(new_lines[i]);
    if (new_first.at(key) != i) continue;
    auto old = old_first.find(key);
    if (old == old_first.end()) {
      edits.push_back("A:" + std::string(new_lines[i]));
    } else if (old_lines[old->second] != new_lines[i]) {
      edits.push_back("P:" + std::string(key) + ":" + std::string(new_lines[i]));
    }
  }
  return edits;
}

std::string_view EditLine(std::string_view edit) {
  if (edit.starts_with("A:")) return edit.substr(2);
  if (edit.starts_with("P:")) {
    const std::size_t colon = edit.find(':', 2);
    return colon == std::string_view::npos ? std::string_view() : edit.substr(colon + 1);
  }
  return {};
}

std::string ApplyEntries(std::string_view text, const std::vector<std::string>& edits) {
  const auto source = Lines(text);
  std::vector<std::string> lines(source.begin(), source.end());
  std::vector<bool> removed(lines.size(), false);
  std::unordered_map<std::string, std::size_t> first;
  for (std::size_t i = 0; i < lines.size(); ++i) first.emplace(std::string(KeyOf(lines[i])), i);
  for (const std::string& edit : edits) {
    if (edit.starts_with("D:")) {
      auto it = first.find(edit.substr(2));
      if (it == first.end()) continue;
      removed[it->second] = true;
      first.erase(it);
    } else if (edit.starts_with("P:")) {
      const std::size_t colon = edit.find(':', 2);
      if (colon == std::string::npos) continue;
      const std::string key = edit.substr(2, colon - 2);
      const std::string line = edit.substr(colon + 1);
      const std::string new_key(KeyOf(line));
      auto it = first.find(key);
      if (it == first.end()) it = first.find(new_key);  // made already
      if (it == first.end()) continue;                  // removed since: not brought back
      const std::size_t at = it->second;
      lines[at] = line;
      if (it->first != new_key) {
        first.erase(it);
        first.emplace(new_key, at);
      }
    } else if (edit.starts_with("A:")) {
      const std::string line = edit.substr(2);
      if (first.contains(std::string(KeyOf(line)))) continue;
      first.emplace(std::string(KeyOf(line)), lines.size());
      lines.push_back(line);
      removed.push_back(false);
    }
  }
  std::string out;
  out.reserve(text.size() + 256);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (removed[i]) continue;
    out += lines[i];
    out += '\n';
  }
  return out;
}

std::string ChangeRecord::Format() const {
  std::string out(kHeader);
  out += '\n';
  for (const auto& f : files) {
    out += "F " + Hex(f.before) + " " + Hex(f.after) + " " + f.label + "\n";
    for (const auto& e : f.edits) out += e + "\n";
  }
  out += "E\n";
  return out;
}

ChangeRecord ChangeRecord::Parse(std::string_view text, const std::string& where) {
  auto bad = [&](const std::string& why) {
    return AutomationError(errc::kFail,
                           FromUtf8("The change record " + where + " cannot be used (" + why +
                                    "); the account files are left as they are"));
  };
  const auto lines = Lines(text);
  if (lines.empty() || lines[0] != kHeader) throw bad("it does not begin with its header");
  if (lines.back() != "E") throw bad("it is not complete");
  ChangeRecord r;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    std::string_view l = lines[i];
    if (l.starts_with("F ")) {
      FileEdits f;
      if (l.size() < 2 + 17 + 17 + 1) throw bad("a file line is short");
      auto hex = [&](std::string_view s) {
        uint64_t v = 0;
        auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
        if (ec != std::errc() || p != s.data() + s.size()) throw bad("a digest is not hex");
        return v;
      };
      f.before = hex(l.substr(2, 16));
      f.after = hex(l.substr(19, 16));
      f.label = std::string(l.substr(36));
      if (f.label != "etc/passwd" && f.label != "etc/shadow" && f.label != "etc/group" &&
          f.label != "etc/gshadow") {
        throw bad("it names a file other than the account files");
      }
      r.files.push_back(std::move(f));
    } else if (!r.files.empty() &&
               (l.starts_with("D:") || l.starts_with("P:") || l.starts_with("A:"))) {
      r.files.back().edits.emplace_back(l);
    } else {
      throw bad("line " + std::to_string(i + 1) + " is not an edit");
    }
  }
  return r;
}

}  // namespace moxtrel::backends::files
