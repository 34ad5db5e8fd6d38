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
};

inline constexpr ShareProperty kShareProperties[] = {
    {u"Path", "path", true},
    {u"Description", "comment", true},
    {u"MaxUserCount", "max connections", true},  // 0 (no limit) reads as -1
    {u"CurrentUserCount", nullptr, false},       // connections smbstatus reports for the share
    {u"HostComputer", nullptr, false},           // the backend's computer
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
