// The text the systemd backend writes into unit files: unit names and setting values checked
// so that nothing a caller passes can end a line, open a section, continue a line, or be
// expanded by the manager (specifiers "%x", variables "$X"), and the backend's own drop-in,
// which holds every setting it changes on one unit.
//
//   std::string unit = UnitName(u"web");                 // "web.service"; throws for "a/b"
//   Overrides o = ParseOverrides(old_text);
//   o.description = DescriptionValue(u"Web server");
//   std::string text = RenderOverrides(o);               // "[Unit]\nDescription=Web server\n"
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moxtrel::backends::systemd {

// The suffix every unit the backend serves carries.
inline constexpr std::string_view kServiceSuffix = ".service";

// "name.service" for a service name (a trailing ".service" is taken as given); throws
// errc::kInvalidName naming the name when a unit cannot be called so: empty, longer than the
// manager allows, a character outside letters, digits and ":-_.@", a leading "-" or ".", or a
// template ("name@").
std::string UnitName(std::u16string_view service);
// The service name of a unit: its name without ".service".
std::u16string ServiceName(std::string_view unit);
// Whether a unit named by the manager is a service the backend lists (not a template).
bool IsListedService(std::string_view unit);

// Values as they are written after "Key=". Each throws errc::kInvalidArg naming the property
// for a value no unit file can hold as given.
// Any text without control characters or backslashes; "%" is doubled.
std::string DescriptionValue(std::u16string_view value);
// An absolute program and its arguments; no control characters, backslashes, "$" or ";"
// words; "%" is doubled so that the manager expands nothing.
std::string ExecStartValue(std::u16string_view value);
// A user name ("nobody", "svc-web") or a numeric id.
std::string UserValue(std::u16string_view value);

// The command line the manager reports for ExecStart, as Path reads it: the program, then each
// argument, one blank between them, an argument holding blanks or quotes in double quotes.
std::u16string CommandLine(const std::string& path, const std::vector<std::string>& argv);

// The settings the backend's drop-in holds; what is unset is not written.
struct Overrides {
  std::optional<std::string> description;  // as written (escaped)
  std::optional<std::string> exec_start;   // as written (escaped)
  std::optional<std::string> user;
  std::vector<std::string> requires_units;  // unit names, each also ordered After=
  // Every dependency as last written, in the order written (the manager keeps none), kept in
  // a comment so that the list reads back as it was written.
  std::vector<std::string> order;
};

// The drop-in's file name inside "<unit>.d/".
inline constexpr std::string_view kDropInName = "50-moxtrel.conf";

Overrides ParseOverrides(std::string_view text);
std::string RenderOverrides(const Overrides& overrides);
// A new unit file for a service the backend creates.
std::string RenderUnitFile(const Overrides& settings);

}  // namespace moxtrel::backends::systemd
