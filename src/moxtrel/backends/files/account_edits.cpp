#include "moxtrel/backends/files/account_edits.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::files {
namespace {

constexpr std::size_t kMaxNameBytes = 32;  // as useradd and groupadd count

[[noreturn]] void Missing(const std::u16string& where, std::u16string_view noun,
                          const std::string& name, const char* file) {
  throw AutomationError(errc::kNoSuchObject, u"There is no " + std::u16string(noun) + u" \"" +
                                                 FromUtf8(name) + u"\" in " + FromUtf8(file) +
                                                 u" (" + where + u")");
}

// Refuses a name already used, compared without regard to case; `except` is the row allowed
// to hold it (a rename that changes only the case).
void CheckFree(const ColonFile& file, const std::string& name, std::u16string_view noun,
               const std::u16string& where, std::optional<std::size_t> except = std::nullopt) {
  const std::u16string wanted = FromUtf8(name);
  for (std::size_t i = 0; i < file.rows.size(); ++i) {
    if (i != except && EqualsNoCase(FromUtf8(file.rows[i][0]), wanted)) {
      throw AutomationError(errc::kObjectExists, u"The name \"" + wanted +
                                                     u"\" is already used by a " +
                                                     std::u16string(noun) + u" in " +
                                                     FromUtf8(file.label) + u" (" + where + u")");
    }
  }
}

// The next id as the account tools choose it: one above the highest in [min, max], else the
// lowest free one in the range.
uint32_t NextId(const std::set<uint32_t>& used, int64_t min, int64_t max, std::u16string_view what,
                const std::u16string& where) {
  if (min < 0 || max < min || max > UINT32_MAX) {
    throw AutomationError(errc::kFail, u"etc/login.defs gives no usable range of " +
                                           std::u16string(what) + u"s (" +
                                           FromUtf8(std::to_string(min)) + u" to " +
                                           FromUtf8(std::to_string(max)) + u"; " + where + u")");
  }
  auto lo = used.lower_bound(static_cast<uint32_t>(min));
  auto hi = used.upper_bound(static_cast<uint32_t>(max));
  if (lo == hi) return static_cast<uint32_t>(min);
  uint32_t top = *std::prev(hi);
  if (top < max) return top + 1;
  for (int64_t id = min; id <= max; ++id) {
    if (!used.contains(static_cast<uint32_t>(id))) return static_cast<uint32_t>(id);
  }
  throw AutomationError(errc::kFail, u"No free " + std::u16string(what) + u" is left between " +
                                         FromUtf8(std::to_string(min)) + u" and " +
                                         FromUtf8(std::to_string(max)) + u" (" + where + u")");
}

std::set<uint32_t> IdsOf(const ColonFile& file, std::size_t field) {
  std::set<uint32_t> ids;
  for (const auto& row : file.rows) ids.insert(IdField(row[field]));
  return ids;
}

void RenameInList(std::string& field, const std::string& from, const std::string& to) {
  auto items = SplitList(field);
  bool changed = false;
  for (auto& item : items) {
    if (item == from) {
      item = to;
      changed = true;
    }
  }
  if (changed) field = JoinList(items);
}

bool EraseFromList(std::string& field, const std::string& name) {
  auto items = SplitList(field);
  auto n = std::erase(items, name);
  if (n) field = JoinList(items);
  return n != 0;
}

}  // namespace

void ValidateAccountName(std::u16string_view name, std::u16string_view noun) {
  auto refuse = [&](std::u16string_view why) {
    throw AutomationError(errc::kInvalidName,
                          u"The " + std::u16string(noun) + u" name \"" + std::u16string(name) +
                              u"\" is not valid for the files backend: " + std::u16string(why));
  };
  if (name.empty()) refuse(u"it is empty");
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    if (c >= 0xD800 && c <= 0xDFFF) {
      const bool paired =
          c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF;
      if (!paired) refuse(u"it holds a lone UTF-16 surrogate");
      ++i;
      continue;
    }
    if (c < 0x20 || c == 0x7F) refuse(u"it holds a control character");
    if (c == u' ') refuse(u"it holds a blank");
    if (c == u':' || c == u',') {
      refuse(u"it holds \"" + std::u16string(1, c) + u"\", which separates the files' fields");
    }
    // The tools allow "/", but a path cannot name such an account.
    if (c == u'/') refuse(u"it holds \"/\", which separates the parts of a path");
  }
  if (name[0] == u'-' || name[0] == u'+' || name[0] == u'~') {
    refuse(u"it must not begin with \"-\", \"+\" or \"~\"");
  }
  // The tools allow these too; as a home folder under HOME they would name HOME or its parent.
  if (name == u"." || name == u"..") refuse(u"it is \".\" or \"..\"");
  if (ToUtf8(name).size() > kMaxNameBytes) refuse(u"it is longer than 32 bytes in UTF-8");
}

UserRecord UserRecordAt(const AccountFiles& files, std::size_t row, const Settings& login_defs,
                        std::u16string where) {
  UserRecord r;
  r.pw = files.passwd.rows[row];
  if (files.shadow.present) {
    if (auto sp = files.shadow.FindExact(r.pw[kPwName])) r.sp = files.shadow.rows[*sp];
  }
  r.shadow_file = files.shadow.present;
  r.shadow_unreadable = files.shadow.unreadable;
  r.today = DaysSinceEpochToday();
  r.login_defs = &login_defs;
  r.where = std::move(where);
  return r;
}

void StoreUserRecord(AccountFiles& files, std::size_t row, const UserRecord& r) {
  files.passwd.rows[row] = r.pw;
  if (!r.sp || !files.shadow.present) return;
  if (auto sp = files.shadow.FindExact(r.pw[kPwName])) {
    files.shadow.rows[*sp] = *r.sp;
  } else {
    files.shadow.Append(*r.sp);
  }
}

GroupRecord GroupRecordAt(const AccountFiles& files, std::size_t row, std::u16string where) {
  GroupRecord r;
  r.gr = files.group.rows[row];
  if (files.gshadow.present) {
    if (auto sg = files.gshadow.FindExact(r.gr[kGrName])) r.sg = files.gshadow.rows[*sg];
  }
  r.where = std::move(where);
  return r;
}

void AddUser(AccountFiles& files, const std::string& name, const NewAccountDefaults& d,
             const std::u16string& where, const std::function<void(UserRecord&)>& configure) {
  CheckFree(files.passwd, name, u"user", where);
  const bool private_group = d.login_defs.Yes("USERGROUPS_ENAB", true);
  if (private_group) CheckFree(files.group, name, u"group", where);
  const uint32_t uid = NextId(IdsOf(files.passwd, kPwUid), d.login_defs.Number("UID_MIN", 1000),
                              d.login_defs.Number("UID_MAX", 60000), u"uid", where);
  uint32_t gid = static_cast<uint32_t>(d.useradd.Number("GROUP", 100));
  if (private_group) {
    auto used = IdsOf(files.group, kGrGid);
    // The group takes the uid's number when it is free, as useradd does.
    gid = used.contains(uid) ? NextId(used, d.login_defs.Number("GID_MIN", 1000),
                                      d.login_defs.Number("GID_MAX", 60000), u"gid", where)
                             : uid;
    files.group.Append({name, "x", std::to_string(gid), ""});
    if (files.gshadow.present) files.gshadow.Append({name, "!", "", ""});
  }
  UserRecord r;
  r.pw = {name,
          files.shadow.present ? "x" : "!",
          std::to_string(uid),
          std::to_string(gid),
          "",
          d.useradd.Text("HOME", "/home") + "/" + name,
          d.useradd.Text("SHELL", "/bin/sh")};
  r.shadow_file = files.shadow.present;
  if (r.shadow_file) {
    auto days = [&](const char* key, int64_t fallback) {
      int64_t v = d.login_defs.Number(key, fallback);
      return v < 0 ? std::string() : std::to_string(v);
    };
    r.sp = Row{name,
               "!",
               std::to_string(d.today),
               days("PASS_MIN_DAYS", 0),
               days("PASS_MAX_DAYS", 99999),
               days("PASS_WARN_AGE", 7),
               "",
               "",
               ""};
  }
  r.today = d.today;
  r.login_defs = &d.login_defs;
  r.where = where;
  configure(r);
  files.passwd.Append(r.pw);
  if (r.sp) files.shadow.Append(*r.sp);
  const uint32_t primary = IdField(r.pw[kPwGid]);
  if (IdsOf(files.group, kGrGid).count(primary) == 0) {
    throw AutomationError(errc::kInvalidArg, u"The primary group " +
                                                 FromUtf8(std::to_string(primary)) + u" of " +
                                                 where + u" is not in etc/group");
  }
}

void AddGroup(AccountFiles& files, const std::string& name, const NewAccountDefaults& d,
              const std::u16string& where) {
  CheckFree(files.group, name, u"group", where);
  const uint32_t gid = NextId(IdsOf(files.group, kGrGid), d.login_defs.Number("GID_MIN", 1000),
                              d.login_defs.Number("GID_MAX", 60000), u"gid", where);
  files.group.Append({name, "x", std::to_string(gid), ""});
  if (files.gshadow.present) files.gshadow.Append({name, "!", "", ""});
}

void RemoveUser(AccountFiles& files, const std::string& name, const Settings& login_defs,
                const std::u16string& where) {
  auto row = files.passwd.FindExact(name);
  if (!row) Missing(where, u"user", name, "etc/passwd");
  const std::string gid = files.passwd.rows[*row][kPwGid];
  files.passwd.Erase(*row);
  if (auto sp = files.shadow.FindExact(name)) files.shadow.Erase(*sp);
  for (auto& g : files.group.rows) EraseFromList(g[kGrMembers], name);
  for (auto& g : files.gshadow.rows) {
    EraseFromList(g[kSgAdmins], name);
    EraseFromList(g[kSgMembers], name);
  }
  // The user's own group goes with it when nobody else uses it, as userdel does.
  if (!login_defs.Yes("USERGROUPS_ENAB", true)) return;
  auto grp = files.group.FindExact(name);
  if (!grp || files.group.rows[*grp][kGrGid] != gid || !files.group.rows[*grp][kGrMembers].empty())
    return;
  for (const auto& u : files.passwd.rows) {
    if (u[kPwGid] == gid) return;
  }
  files.group.Erase(*grp);
  if (auto sg = files.gshadow.FindExact(name)) files.gshadow.Erase(*sg);
}

void RemoveGroup(AccountFiles& files, const std::string& name, const std::u16string& where) {
  auto row = files.group.FindExact(name);
  if (!row) Missing(where, u"group", name, "etc/group");
  const std::string gid = files.group.rows[*row][kGrGid];
  for (const auto& u : files.passwd.rows) {
    if (u[kPwGid] == gid) {
      throw AutomationError(errc::kInvalidArg,
                            u"The group " + where + u" is the primary group of the user \"" +
                                FromUtf8(u[kPwName]) + u"\" and cannot be deleted");
    }
  }
  files.group.Erase(*row);
  if (auto sg = files.gshadow.FindExact(name)) files.gshadow.Erase(*sg);
}

void RenameUser(AccountFiles& files, const std::string& name, const std::string& new_name,
                const std::u16string& where) {
  auto row = files.passwd.FindExact(name);
  if (!row) Missing(where, u"user", name, "etc/passwd");
  CheckFree(files.passwd, new_name, u"user", where, row);
  files.passwd.rows[*row][kPwName] = new_name;
  files.passwd.Reindex();
  if (auto sp = files.shadow.FindExact(name)) {
    files.shadow.rows[*sp][kSpName] = new_name;
    files.shadow.Reindex();
  }
  for (auto& g : files.group.rows) RenameInList(g[kGrMembers], name, new_name);
  for (auto& g : files.gshadow.rows) {
    RenameInList(g[kSgAdmins], name, new_name);
    RenameInList(g[kSgMembers], name, new_name);
  }
}

void RenameGroup(AccountFiles& files, const std::string& name, const std::string& new_name,
                 const std::u16string& where) {
  auto row = files.group.FindExact(name);
  if (!row) Missing(where, u"group", name, "etc/group");
  CheckFree(files.group, new_name, u"group", where, row);
  files.group.rows[*row][kGrName] = new_name;
  files.group.Reindex();
  if (auto sg = files.gshadow.FindExact(name)) {
    files.gshadow.rows[*sg][kSgName] = new_name;
    files.gshadow.Reindex();
  }
}

void AddToMemberList(AccountFiles& files, const std::string& group, const std::string& user,
                     const std::u16string& where) {
  auto row = files.group.FindExact(group);
  if (!row) Missing(where, u"group", group, "etc/group");
  auto members = SplitList(files.group.rows[*row][kGrMembers]);
  if (std::find(members.begin(), members.end(), user) != members.end()) {
    throw AutomationError(errc::kMemberInGroup,
                          u"The user \"" + FromUtf8(user) + u"\" is already a member of " + where);
  }
  members.push_back(user);
  files.group.rows[*row][kGrMembers] = JoinList(members);
  if (auto sg = files.gshadow.FindExact(group)) {
    auto list = SplitList(files.gshadow.rows[*sg][kSgMembers]);
    if (std::find(list.begin(), list.end(), user) == list.end()) list.push_back(user);
    files.gshadow.rows[*sg][kSgMembers] = JoinList(list);
  }
}

bool RemoveFromMemberList(AccountFiles& files, const std::string& group, const std::string& user) {
  auto row = files.group.FindExact(group);
  if (!row) return false;
  bool was = EraseFromList(files.group.rows[*row][kGrMembers], user);
  if (auto sg = files.gshadow.FindExact(group))
    EraseFromList(files.gshadow.rows[*sg][kSgMembers], user);
  return was;
}

}  // namespace moxtrel::backends::files
