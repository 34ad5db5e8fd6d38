// The small settings files the backend reads: login.defs ("KEY value" lines), and the
// "KEY=value" files etc/default/useradd and os-release (values may be quoted).
//
//   Settings defs = ReadLoginDefs(root);
//   uint32_t uid_min = defs.Number("UID_MIN", 1000);
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace moxtrel::backends::files {

struct Settings {
  std::map<std::string, std::string, std::less<>> values;

  std::string Text(std::string_view key, std::string_view fallback) const;
  int64_t Number(std::string_view key, int64_t fallback) const;
  bool Yes(std::string_view key, bool fallback) const;
};

// "KEY value" lines, "#" comments; a missing file gives no settings.
Settings ParseLoginDefs(std::string_view text);
// "KEY=value", "KEY=\"value\"" or "KEY='value'" lines, "#" comments.
Settings ParseAssignments(std::string_view text);

Settings ReadLoginDefs(const std::string& root);
Settings ReadUseraddDefaults(const std::string& root);

}  // namespace moxtrel::backends::files
