// How a file share of the object model maps onto a Samba share definition, in one table that
// reads like docs/shares.md, and the checks every name and value passes before it is written
// into the server's configuration.
//
//   ShareInfo s = ShareFromSection(section, /*from_file=*/false);
//   CheckShareName(u"docs");              // throws errc::kInvalidName for "a]b"
//   std::string limit = MaxUsersParam(-1);  // "0": no limit
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "moxtrel/backends/samba/smb_conf_text.h"

namespace moxtrel::backends::samba {

struct ShareInfo {
  std::string name;  // as the configuration spells it
  std::string path;
  std::string comment;
  int32_t max_users = -1;  // -1: no limit
  bool from_file = false;  // defined in smb.conf itself, so not ours to change
};

// One row per property of IADsFileShare.
struct ShareProperty {
  std::u16string_view property;
  const char* parameter;  // the smb.conf parameter; nullptr where the value is not configured
  bool writable;
  // The row as docs/shares.md shows it (Markdown): where Samba holds the property, and what a
  // write takes.
  std::u16string_view source;
  std::u16string_view write;
};

inline constexpr ShareProperty kShareProperties[] = {
    {u"Path", "path", true, u"`path` (or its other spelling, `directory`)",
     u"an absolute path to an existing folder, without `%`, `\\` or control characters, not ending "
     u"in a space, at most 4095 bytes"},
    {u"Description", "comment", true, u"`comment`",
     u"at most 256 characters; no control characters, no `%` but before a space or at the end, no "
     u"space at either end (an empty text clears it)"},
    {u"MaxUserCount", "max connections", true,
     u"`max connections`: 0 or none reads as -1 (no limit)",
     u"-1 writes 0; 1 and up as they are; 0 and below -1 are refused (Samba cannot hold them)"},
    {u"CurrentUserCount", nullptr, false,
     u"connections to the share in `smbstatus --json --shares`, by share name without regard to "
     u"case",
     u"read-only"},
    {u"HostComputer", nullptr, false, u"the computer's path", u"read-only"},
};

// The row for `property` (without regard to case), or nullptr.
const ShareProperty* FindShareProperty(std::u16string_view property);

// Sections that define no file share: [global], and print shares.
bool IsFileShare(const ConfSection& section);
ShareInfo ShareFromSection(const ConfSection& section, bool from_file);

// The longest share name the backend writes; SMB clients show no longer names.
inline constexpr std::size_t kMaxShareName = 80;
inline constexpr std::size_t kMaxSharePath = 4095;
inline constexpr std::size_t kMaxComment = 256;

// Each throws AutomationError naming the value and what is wrong with it, so that nothing that
// would break the configuration's syntax or change its meaning is ever written:
// errc::kInvalidName for a name, errc::kInvalidArg for the rest.
void CheckShareName(std::u16string_view name);
// An absolute path to an existing folder, without % substitutions or control characters.
void CheckSharePath(std::u16string_view path);
void CheckComment(std::u16string_view comment);
// "max connections" for a user limit: -1 is 0 (no limit); 0 and below -1 cannot be held.
std::string MaxUsersParam(int32_t max_users, std::u16string_view where);
int32_t MaxUsersFromParam(const std::string* value);

}  // namespace moxtrel::backends::samba
