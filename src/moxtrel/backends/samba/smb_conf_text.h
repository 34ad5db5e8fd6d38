// The smb.conf text format: sections of "key = value" lines, as smb.conf itself is written and
// as `net conf list` prints the registry configuration. Parameter names compare without regard
// to case, spaces or underscores, as Samba compares them.
//
//   std::vector<ConfSection> s = ParseSmbConf("[docs]\n\tpath = /srv/docs\n");
//   s[0].Find("Path")  // "/srv/docs"
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace moxtrel::backends::samba {

struct ConfSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> params;  // as written, in order
  // The value of the last line setting `key`, or nullptr.
  const std::string* Find(std::string_view key) const;
};

// Sections in first-seen order; a section named twice gathers both parts, as Samba reads it.
std::vector<ConfSection> ParseSmbConf(std::string_view text);
// What `net conf list` and `showshare` print: the same format, but one line per parameter, so a
// value ending in a backslash ("C:\Shares\") is read as it is, not joined to the next line.
std::vector<ConfSection> ParseNetOutput(std::string_view text);

inline constexpr std::size_t kMaxSmbConfBytes = std::size_t{16} << 20;

// A file and the files it includes: an absolute include path without % substitutions is read in
// place of its line (a missing one is skipped, as Samba skips it); "include = registry" is left
// to the registry reader. Only regular files are read, at most kMaxSmbConfBytes in all. Throws
// AutomationError (errc::kNoSuchObject) naming the file when `path` cannot be read, or when it
// or an include is not a regular file (a folder, a FIFO, a device) or the total is too large.
std::vector<ConfSection> ReadSmbConf(const std::string& path);

// The key as Samba compares it: lower case, without spaces and underscores.
std::string ParamKey(std::string_view key);
// Samba's Boolean spellings: yes, true, 1 and on (without regard to case).
bool ParamTrue(std::string_view value);

}  // namespace moxtrel::backends::samba
