// Edits of the account files that the container and group operations make: new accounts with
// fresh ids, deletions that leave no membership behind, renames, memberships. Each works on
// files read under the lock and throws, changing nothing that is written, when it cannot.
//
//   store.Modify(kAllFiles, [&](AccountFiles& f) { RemoveUser(f, "alice", where); });
#pragma once

#include <functional>
#include <string>

#include "moxtrel/backends/files/account_mapping.h"
#include "moxtrel/backends/files/account_store.h"

namespace moxtrel::backends::files {

// Throws errc::kInvalidName unless `name` is one Debian's useradd and groupadd accept: not
// empty, at most 32 bytes in UTF-8, no blank, control character, ":" or ",", not beginning
// with "-", "+" or "~". Beyond the tools, "/" (a path cannot hold it), "." and ".." are refused.
void ValidateAccountName(std::u16string_view name, std::u16string_view noun);

// The record of an existing user; `row` indexes files.passwd.
UserRecord UserRecordAt(const AccountFiles& files, std::size_t row, const Settings& login_defs,
                        std::u16string where);
// Writes a record back over the user's rows (passwd by `row`, shadow made when needed).
void StoreUserRecord(AccountFiles& files, std::size_t row, const UserRecord& r);
GroupRecord GroupRecordAt(const AccountFiles& files, std::size_t row, std::u16string where);

struct NewAccountDefaults {
  Settings login_defs;  // UID_MIN.., GID_MIN.., PASS_*_DAYS, USERGROUPS_ENAB
  Settings useradd;     // HOME, SHELL, GROUP
  int64_t today = 0;
};

// Adds a user with the next free uid and, when USERGROUPS_ENAB (default yes), its own group;
// `configure` then applies the staged properties to its record.
void AddUser(AccountFiles& files, const std::string& name, const NewAccountDefaults& d,
             const std::u16string& where, const std::function<void(UserRecord&)>& configure);
void AddGroup(AccountFiles& files, const std::string& name, const NewAccountDefaults& d,
              const std::u16string& where);
void RemoveUser(AccountFiles& files, const std::string& name, const Settings& login_defs,
                const std::u16string& where);
void RemoveGroup(AccountFiles& files, const std::string& name, const std::u16string& where);
void RenameUser(AccountFiles& files, const std::string& name, const std::string& new_name,
                const std::u16string& where);
void RenameGroup(AccountFiles& files, const std::string& name, const std::string& new_name,
                 const std::u16string& where);
// Membership through the group's member list (and gshadow's).
void AddToMemberList(AccountFiles& files, const std::string& group, const std::string& user,
                     const std::u16string& where);
// Returns false when the user is not in the list.
bool RemoveFromMemberList(AccountFiles& files, const std::string& group, const std::string& user);

}  // namespace moxtrel::backends::files
