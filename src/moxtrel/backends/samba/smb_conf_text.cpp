#include "moxtrel/backends/samba/smb_conf_text.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/platform/regular_file.h"

namespace moxtrel::backends::samba {
namespace {

constexpr int kMaxIncludeDepth = 8;

std::string_view Strip(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The position of the section named `name`, added when new. Positions stay valid as the
// vector grows, where addresses would not.
long SectionNamed(std::vector<ConfSection>& sections, std::string_view name) {
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (AsciiLower(sections[i].name) == AsciiLower(name)) return static_cast<long>(i);
  }
  sections.push_back({std::string(name), {}});
  return static_cast<long>(sections.size() - 1);
}

// Reads `text` into `sections`, starting in section `current` (-1 for none yet), and returns
// the section current at its end. `include` is called for each include line with the current
// section and returns the section current after it. `continuation`: a line ending in a backslash
// goes on in the next one, as in smb.conf itself; net prints each parameter on one line, so there
// a trailing backslash is part of the value.
template <class Include>
long Parse(std::string_view text, std::vector<ConfSection>& sections, long current,
           bool continuation, Include&& include) {
  std::string logical;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    const auto end = text.find('\n', pos);
    std::string_view line =
        text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    pos = end == std::string_view::npos ? text.size() + 1 : end + 1;
    line = Strip(line);
    if (continuation && !line.empty() && line.back() == '\\') {
      logical.append(line.substr(0, line.size() - 1));
      continue;
    }
    logical.append(line);
    const std::string whole = std::move(logical);
    logical.clear();
    std::string_view l = Strip(whole);
    if (l.empty() || l[0] == '#' || l[0] == ';') continue;
    if (l[0] == '[') {
      const auto close = l.find(']');
      current = SectionNamed(
          sections,
          Strip(l.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
      continue;
    }
    const auto eq = l.find('=');
    if (eq == std::string_view::npos) continue;  // Samba ignores such a line too
    std::string key(Strip(l.substr(0, eq)));
    std::string value(Strip(l.substr(eq + 1)));
    if (ParamKey(key) == "include") {
      current = include(value, current);
      continue;
    }
    if (current < 0) current = SectionNamed(sections, "global");
    sections[static_cast<std::size_t>(current)].params.emplace_back(std::move(key),
                                                                    std::move(value));
  }
  return current;
}

// Reads one file of the configuration within what is left of the budget shared by the file and
// its includes; nullopt when it does not exist. Only regular files are read.
std::optional<std::string> ReadPart(const std::string& path, std::size_t& budget) {
  std::optional<std::string> text;
  try {
    text = platform::ReadRegularFile(path, budget);
  } catch (const platform::RegularFileError& e) {
    const std::string why = e.error() == EFBIG
                                ? "the configuration and the files it includes hold more than " +
                                      platform::ByteLimitText(kMaxSmbConfBytes)
                                : e.reason();
    throw AutomationError(
        errc::kNoSuchObject,
        FromUtf8("Cannot read the Samba configuration file " + path + ": " + why));
  }
  if (text) budget -= text->size();
  return text;
}

// Parses one file's text, reading its includes in place.
long ParseWithIncludes(std::string_view text, std::vector<ConfSection>& sections, long current,
                       int depth, std::size_t& budget) {
  return Parse(text, sections, current, /*continuation=*/true,
               [&](const std::string& value, long at) {
                 if (value.empty() || value[0] != '/' || value.find('%') != std::string::npos ||
                     depth >= kMaxIncludeDepth) {
                   return at;  // the registry, a relative or substituted path: not a file read here
                 }
                 std::optional<std::string> included = ReadPart(value, budget);
                 if (!included) return at;  // a missing include is skipped
                 return ParseWithIncludes(*included, sections, at, depth + 1, budget);
               });
}

}  // namespace

const std::string* ConfSection::Find(std::string_view key) const {
  const std::string wanted = ParamKey(key);
  const std::string* found = nullptr;
  for (const auto& [k, v] : params) {
    if (ParamKey(k) == wanted) found = &v;
  }
  return found;
}

std::string ParamKey(std::string_view key) {
  std::string out;
  for (char c : key) {
    if (c == ' ' || c == '_' || c == '\t') continue;
    out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  }
  return out;
}

bool ParamTrue(std::string_view value) {
  const std::string v = AsciiLower(Strip(value));
  return v == "yes" || v == "true" || v == "1" || v == "on";
}

std::vector<ConfSection> ParseSmbConf(std::string_view text) {
  std::vector<ConfSection> sections;
  Parse(text, sections, -1, /*continuation=*/true, [](const std::string&, long at) { return at; });
  return sections;
}

std::vector<ConfSection> ParseNetOutput(std::string_view text) {
  std::vector<ConfSection> sections;
  Parse(text, sections, -1, /*continuation=*/false, [](const std::string&, long at) { return at; });
  return sections;
}

std::vector<ConfSection> ReadSmbConf(const std::string& path) {
  std::size_t budget = kMaxSmbConfBytes;
  std::optional<std::string> text = ReadPart(path, budget);
  if (!text) {
    throw AutomationError(errc::kNoSuchObject,
                          FromUtf8("Cannot read the Samba configuration file " + path + ": " +
                                   std::strerror(ENOENT)));
  }
  std::vector<ConfSection> sections;
  ParseWithIncludes(*text, sections, -1, 0, budget);
  return sections;
}

}  // namespace moxtrel::backends::samba
