#include "moxtrel/backends/files/settings_files.h"

#include <charconv>

#include "moxtrel/backends/files/file_replace.h"

namespace moxtrel::backends::files {
namespace {

std::string_view Strip(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

template <class F>
void ForEachLine(std::string_view text, F f) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = Strip(text.substr(pos, end - pos));
    pos = end + 1;
    if (!line.empty() && line.front() != '#') f(line);
  }
}

std::string Unquote(std::string_view v) {
  if (v.size() >= 2 && v.front() == '\'' && v.back() == '\'') {
    return std::string(v.substr(1, v.size() - 2));
  }
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') {
    std::string out;
    for (std::size_t i = 1; i + 1 < v.size(); ++i) {
      if (v[i] == '\\' && i + 2 < v.size()) ++i;
      out += v[i];
    }
    return out;
  }
  return std::string(v);
}

}  // namespace

std::string Settings::Text(std::string_view key, std::string_view fallback) const {
  auto it = values.find(key);
  return it == values.end() ? std::string(fallback) : it->second;
}

int64_t Settings::Number(std::string_view key, int64_t fallback) const {
  auto it = values.find(key);
  if (it == values.end()) return fallback;
  int64_t v = 0;
  auto [ptr, ec] = std::from_chars(it->second.data(), it->second.data() + it->second.size(), v);
  return ec == std::errc() && ptr == it->second.data() + it->second.size() ? v : fallback;
}

bool Settings::Yes(std::string_view key, bool fallback) const {
  auto it = values.find(key);
  if (it == values.end()) return fallback;
  return it->second == "yes" || it->second == "YES" || it->second == "Yes";
}

Settings ParseLoginDefs(std::string_view text) {
  Settings s;
  ForEachLine(text, [&](std::string_view line) {
    std::size_t gap = line.find_first_of(" \t");
    if (gap == std::string_view::npos) return;
    s.values[std::string(line.substr(0, gap))] = Unquote(Strip(line.substr(gap)));
  });
  return s;
}

Settings ParseAssignments(std::string_view text) {
  Settings s;
  ForEachLine(text, [&](std::string_view line) {
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    s.values[std::string(Strip(line.substr(0, eq)))] = Unquote(Strip(line.substr(eq + 1)));
  });
  return s;
}

Settings ReadLoginDefs(const std::string& root) {
  auto text = ReadAccountFile(root + "/etc/login.defs", "etc/login.defs", kMaxSettingsFileBytes);
  return text ? ParseLoginDefs(*text) : Settings{};
}

Settings ReadUseraddDefaults(const std::string& root) {
  auto text =
      ReadAccountFile(root + "/etc/default/useradd", "etc/default/useradd", kMaxSettingsFileBytes);
  return text ? ParseAssignments(*text) : Settings{};
}

}  // namespace moxtrel::backends::files
