#include "moxtrel/backends/systemd/unit_text.h"

#include <optional>
#include <sstream>
#include <utility>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::systemd {
namespace {

// The manager refuses unit names longer than this.
constexpr std::size_t kMaxUnitName = 255;

bool NameChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u':' || c == u'-' || c == u'_' || c == u'.' || c == u'@';
}

[[noreturn]] void BadValue(std::u16string_view property, std::u16string_view value,
                           std::u16string_view why) {
  throw AutomationError(errc::kInvalidArg,
                        u"The value " + Quoted(value) + u" of " + std::u16string(property) +
                            u" cannot be written to a unit file: " + std::u16string(why));
}

// Refuses what would end the line, continue it or start an escape: control characters
// (newlines, NUL, ...) and backslashes.
void CheckLine(std::u16string_view property, std::u16string_view value) {
  for (char16_t c : value) {
    if (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0) || c == 0x2028 || c == 0x2029) {
      BadValue(property, value, u"it holds a control character");
    }
    if (c == u'\\') BadValue(property, value, u"it holds a backslash");
  }
}

std::string Doubled(std::string_view text, std::string_view chars) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (chars.find(c) != std::string_view::npos) out += c;
  }
  return out;
}

// The words of a command line as the manager splits it: blanks separate, double or single
// quotes group. nullopt when a quote is not closed.
std::optional<std::vector<std::u16string>> Words(std::u16string_view text) {
  std::vector<std::u16string> words;
  std::u16string word;
  bool in_word = false;
  char16_t quote = 0;
  for (char16_t c : text) {
    if (quote) {
      if (c == quote) {
        quote = 0;
      } else {
        word += c;
      }
    } else if (c == u'"' || c == u'\'') {
      quote = c;
      in_word = true;
    } else if (c == u' ' || c == u'\t') {
      if (in_word) words.push_back(std::exchange(word, {}));
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (quote) return std::nullopt;
  if (in_word) words.push_back(word);
  return words;
}

}  // namespace

std::string UnitName(std::u16string_view service) {
  std::u16string_view name = service;
  if (name.size() > kServiceSuffix.size() &&
      EqualsNoCase(name.substr(name.size() - kServiceSuffix.size()), u".service")) {
    name.remove_suffix(kServiceSuffix.size());
  }
  auto refuse = [&](std::u16string_view why) {
    throw AutomationError(errc::kInvalidName, u"The service name " + Quoted(service) +
                                                  u" cannot name a systemd unit: " +
                                                  std::u16string(why));
  };
  if (name.empty()) refuse(u"it is empty");
  if (name.size() + kServiceSuffix.size() > kMaxUnitName) refuse(u"it is too long");
  for (char16_t c : name) {
    if (!NameChar(c)) refuse(u"it holds " + Quoted(std::u16string(1, c)));
  }
  if (name.front() == u'-' || name.front() == u'.') refuse(u"it starts with \"-\" or \".\"");
  if (name.back() == u'@') refuse(u"it names a template");
  return ToUtf8(name) + std::string(kServiceSuffix);
}

std::u16string ServiceName(std::string_view unit) {
  if (unit.size() > kServiceSuffix.size() && unit.ends_with(kServiceSuffix)) {
    unit.remove_suffix(kServiceSuffix.size());
  }
  return FromUtf8(unit);
}

bool IsListedService(std::string_view unit) {
  return unit.size() > kServiceSuffix.size() && unit.ends_with(kServiceSuffix) &&
         !unit.ends_with("@.service");
}

std::string DescriptionValue(std::u16string_view value) {
  CheckLine(u"DisplayName", value);
  return Doubled(ToUtf8(value), "%");
}

std::string ExecStartValue(std::u16string_view value) {
  CheckLine(u"Path", value);
  // The manager would expand "$X" when it starts the program, and reports "$$" undone.
  if (value.find(u'$') != std::u16string_view::npos) {
    BadValue(u"Path", value, u"the manager would take \"$\" for a variable");
  }
  const auto words = Words(value);
  if (!words) BadValue(u"Path", value, u"a quote is not closed");
  if (words->empty()) BadValue(u"Path", value, u"it names no program");
  if (words->front().empty() || words->front()[0] != u'/') {
    BadValue(u"Path", value, u"the program must be an absolute path");
  }
  for (const auto& w : *words) {
    if (w == u";") BadValue(u"Path", value, u"\";\" would start another command");
  }
  return Doubled(ToUtf8(value), "%");
}

std::string UserValue(std::u16string_view value) {
  CheckLine(u"AccountName", value);
  if (value.empty() || value.size() > 32) {
    BadValue(u"AccountName", value, u"a user name has 1 to 32 characters");
  }
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char16_t c = value[i];
    const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                    (c >= u'0' && c <= u'9') || c == u'_' || (i > 0 && (c == u'-' || c == u'.'));
    if (!ok) BadValue(u"AccountName", value, u"it is not a user name");
  }
  return ToUtf8(value);
}

std::u16string CommandLine(const std::string& path, const std::vector<std::string>& argv) {
  std::u16string line = FromUtf8(path);
  for (std::size_t i = 1; i < argv.size(); ++i) {
    const std::u16string arg = FromUtf8(argv[i]);
    line += u' ';
    if (arg.empty() || arg.find_first_of(u" \t\"'") != std::u16string::npos) {
      const char16_t q = arg.find(u'"') == std::u16string::npos ? u'"' : u'\'';
      line += q;
      line += arg;
      line += q;
    } else {
      line += arg;
    }
  }
  return line;
}

Overrides ParseOverrides(std::string_view text) {
  Overrides o;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "Description") {
      o.description = value;
    } else if (key == "ExecStart") {
      if (!value.empty()) o.exec_start = value;
    } else if (key == "User") {
      o.user = value;
    } else if (key == "Requires" || key == "#Order") {
      std::istringstream words(value);
      auto& list = key == "Requires" ? o.requires_units : o.order;
      for (std::string w; words >> w;) list.push_back(w);
    }
  }
  return o;
}

namespace {

void RenderSettings(std::ostringstream& out, const Overrides& o, bool drop_in) {
  out << "[Unit]\n";
  if (o.description) out << "Description=" << *o.description << "\n";
  if (!o.requires_units.empty()) {
    std::string list;
    for (const auto& u : o.requires_units) list += (list.empty() ? "" : " ") + u;
    out << "Requires=" << list << "\nAfter=" << list << "\n";
  }
  out << "\n[Service]\n";
  if (o.exec_start) {
    // In a drop-in, the empty assignment first drops the unit file's own command.
    if (drop_in) out << "ExecStart=\n";
    out << "ExecStart=" << *o.exec_start << "\n";
  }
  if (o.user) out << "User=" << *o.user << "\n";
}

}  // namespace

std::string RenderOverrides(const Overrides& o) {
  std::ostringstream out;
  out << "# Written by moxtrel; rewritten whole at each change.\n";
  if (!o.order.empty()) {
    out << "#Order=";
    for (std::size_t i = 0; i < o.order.size(); ++i) out << (i ? " " : "") << o.order[i];
    out << "\n";
  }
  RenderSettings(out, o, true);
  return out.str();
}

std::string RenderUnitFile(const Overrides& settings) {
  std::ostringstream out;
  out << "# Created by moxtrel.\n";
  RenderSettings(out, settings, false);
  out << "\n[Install]\nWantedBy=multi-user.target\n";
  return out.str();
}

}  // namespace moxtrel::backends::systemd
