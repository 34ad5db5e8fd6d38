#include "moxtrel/backends/files/files_handles.h"

#include <string.h>

#include <algorithm>
#include <cstdio>

#include "moxtrel/backends/files/account_edits.h"
#include "moxtrel/backends/files/host_facts.h"
#include "moxtrel/backends/files/password_hash.h"
#include "moxtrel/directory/snapshot_enum.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::files {
namespace {

using directory::ObjectKind;

// "{00000016-000k-0000-0000-<id>}": stable, made from the SID's authority, kind and id.
std::u16string UnixGuid(uint32_t kind, uint32_t id) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "{00000016-%04x-0000-0000-%012x}", kind, id);
  return FromUtf8(buf);
}

[[noreturn]] void Gone(const std::u16string& path, std::u16string_view noun, const char* file) {
  throw AutomationError(errc::kNoSuchObject, u"The " + std::u16string(noun) + u" " + path +
                                                 u" no longer exists (" + FromUtf8(file) +
                                                 u" has no entry for it)");
}

[[noreturn]] void NotYet(const std::u16string& path, std::u16string_view noun) {
  throw AutomationError(errc::kNoSuchObject, u"The " + std::u16string(noun) + u" " + path +
                                                 u" does not exist until SetInfo creates it");
}

NewAccountDefaults Defaults(FilesContext& ctx) {
  return {*ctx.store().LoginDefs(), ReadUseraddDefaults(ctx.store().root()), DaysSinceEpochToday()};
}

// The account named `name` in `file` as the file spells it, compared without regard to case.
std::string SpelledAs(const ColonFile& file, std::u16string_view name, std::u16string_view noun,
                      const std::u16string& where) {
  if (auto row = file.Find(ToUtf8(name))) return file.rows[*row][0];
  throw AutomationError(errc::kNoSuchObject, u"There is no " + std::u16string(noun) + u" \"" +
                                                 std::u16string(name) + u"\" in " +
                                                 FromUtf8(file.label) + u" (" + where + u")");
}

// Walks a list of accounts taken when the walk began.
std::unique_ptr<directory::IADsEnum> Walk(const ContextPtr& ctx, std::vector<Target> targets) {
  return directory::EnumSnapshot(std::move(targets),
                                 [ctx](Target&& t) { return MakeFilesHandle(ctx, t); });
}

// An account a listing found, by its entry in passwd (a user) or group.
struct ListedEntry {
  bool user;
  uint32_t entry;
};

}  // namespace

std::shared_ptr<directory::IADs> MakeFilesHandle(const ContextPtr& ctx, const Target& target) {
  switch (target.kind) {
    case ObjectKind::kUser:
      return std::make_shared<FilesUser>(ctx, target.name);
    case ObjectKind::kGroup:
      return std::make_shared<FilesGroup>(ctx, target.name);
    default:
      return std::make_shared<FilesComputer>(ctx);
  }
}

// The computer.

std::u16string FilesComputer::GUID() {
  return UnixGuid(0, 0);
}

Variant FilesComputer::Get(std::u16string_view name) {
  ComputerRecord r{ctx_->store().root(), ctx_->ComputerPath()};
  return ReadComputerProperty(r, name);
}

void FilesComputer::Put(std::u16string_view name, const Variant& value) {
  ComputerRecord r{ctx_->store().root(), ctx_->ComputerPath()};
  WriteComputerProperty(r, name, value);
}

std::unique_ptr<directory::IADsEnum> FilesComputer::NewEnum() {
  // All four are checked, so that a listing fails while any of them cannot be read. The
  // handles share what was checked, and each serves its first read from it.
  auto files = std::make_shared<const AccountView>(ctx_->store().View(kAllFiles));
  std::vector<ListedEntry> entries;
  const std::size_t users = Allows(ObjectKind::kUser) ? files->passwd->size() : 0;
  const std::size_t groups = Allows(ObjectKind::kGroup) ? files->group->size() : 0;
  entries.reserve(users + groups);
  for (std::size_t i = 0; i < users; ++i) entries.push_back({true, static_cast<uint32_t>(i)});
  for (std::size_t i = 0; i < groups; ++i) entries.push_back({false, static_cast<uint32_t>(i)});
  return directory::EnumSnapshot(
      std::move(entries),
      [ctx = ctx_, files = std::move(files)](ListedEntry&& e) -> std::shared_ptr<directory::IADs> {
        if (e.user) {
          return std::make_shared<FilesUser>(ctx, std::string(files->passwd->Name(e.entry)), false,
                                             Listed{files, e.entry});
        }
        return std::make_shared<FilesGroup>(ctx, std::string(files->group->Name(e.entry)), false,
                                            Listed{files, e.entry});
      });
}

std::shared_ptr<directory::IADs> FilesComputer::Create(std::u16string_view class_word,
                                                       std::u16string_view name) {
  const auto kind = directory::RequireClassWord(class_word, u"Create in " + ctx_->ComputerPath());
  if (kind != ObjectKind::kUser && kind != ObjectKind::kGroup) {
    throw AutomationError(errc::kInvalidArg,
                          u"Create in " + ctx_->ComputerPath() + u": the files backend serves " +
                              u"only local users and groups and cannot create a " +
                              std::u16string(directory::KindNoun(kind)));
  }
  const bool user = kind == ObjectKind::kUser;
  ValidateAccountName(name, user ? u"user" : u"group");
  auto files = ctx_->store().Read();
  const ColonFile& file = user ? files->passwd : files->group;
  if (file.Find(ToUtf8(name))) {
    throw AutomationError(errc::kObjectExists,
                          u"The name \"" + std::u16string(name) + u"\" is already used by a " +
                              (user ? u"user" : u"group") + u" in " + FromUtf8(file.label) + u" (" +
                              ctx_->ComputerPath() + u")");
  }
  if (user) return std::make_shared<FilesUser>(ctx_, ToUtf8(name), true);
  return std::make_shared<FilesGroup>(ctx_, ToUtf8(name), true);
}

void FilesComputer::Delete(std::u16string_view class_word, std::u16string_view name) {
  auto kind = directory::KindFromClassWord(class_word);
  if (!kind || (*kind != ObjectKind::kUser && *kind != ObjectKind::kGroup)) {
    throw AutomationError(errc::kNoSuchObject, u"Delete in " + ctx_->ComputerPath() +
                                                   u": the files backend serves " +
                                                   u"only local users and groups, not \"" +
                                                   std::u16string(class_word) + u"\"");
  }
  const bool user = *kind == ObjectKind::kUser;
  auto files = ctx_->store().Read();
  const std::string spelled = SpelledAs(user ? files->passwd : files->group, name,
                                        user ? u"user" : u"group", ctx_->ComputerPath());
  const std::u16string where = ctx_->AccountPath(spelled);
  const auto defs = ctx_->store().LoginDefs();
  ctx_->store().Modify(kAllFiles, [&](AccountFiles& f) {
    if (user) {
      RemoveUser(f, spelled, *defs, where);
    } else {
      RemoveGroup(f, spelled, where);
    }
  });
}

std::shared_ptr<directory::IADs> FilesComputer::MoveHere(std::u16string_view source_path,
                                                         std::u16string_view new_name) {
  Target t = ctx_->Resolve(source_path);
  if (t.kind == ObjectKind::kComputer) {
    throw AutomationError(errc::kInvalidArg,
                          u"MoveHere in " + ctx_->ComputerPath() + u": the computer cannot move");
  }
  const bool user = t.kind == ObjectKind::kUser;
  const std::string target = new_name.empty() ? t.name : ToUtf8(new_name);
  if (target == t.name) return MakeFilesHandle(ctx_, t);
  ValidateAccountName(new_name, user ? u"user" : u"group");
  const std::u16string where = ctx_->AccountPath(t.name);
  ctx_->store().Modify(kAllFiles, [&](AccountFiles& f) {
    if (user) {
      RenameUser(f, t.name, target, where);
    } else {
      RenameGroup(f, t.name, target, where);
    }
  });
  return MakeFilesHandle(ctx_, {t.kind, target});
}

void FilesComputer::Shutdown(bool reboot) {
  if (!ctx_->options().allow_shutdown) {
    throw AutomationError(errc::kAccessDenied,
                          u"Shutdown of " + ctx_->ComputerPath() +
                              u" refused: the files backend shuts the computer down only when "
                              u"its options allow it (FilesOptions::allow_shutdown)");
  }
  RunShutdown(ctx_->options().shutdown_command, reboot);
}

// Users.

FilesUser::FilesUser(ContextPtr ctx, std::string name, bool pending, Listed listed)
    : FilesAccount(std::move(ctx), directory::ObjectKind::kUser, std::move(name)),
      pending_(pending),
      listed_(std::move(listed)) {}

std::u16string FilesUser::GUID() {
  return UnixGuid(1, IdField(Record(nullptr, false).pw[kPwUid]));
}

void FilesUser::RequireCreated() const {
  if (pending_) NotYet(ctx_->AccountPath(name_), u"user");
}

UserRecord FilesUser::Record(const Settings* login_defs, bool with_shadow) {
  UserRecord r;
  r.login_defs = login_defs;
  r.where = ADsPath();
  r.today = DaysSinceEpochToday();
  if (pending_) {
    r.pw = {name_, "x", "0", "0", "", "", ""};
    r.shadow_file = true;
    r.sp = Row{name_, "!", std::to_string(r.today), "", "", "", "", "", ""};
  } else {
    const bool shadow = with_shadow || !staged_.empty();
    // The first read of a listed user looks at what its listing checked; anything else looks
    // at the files as they are now.
    const Listed listed = std::exchange(listed_, Listed{});
    AccountView now;
    const AccountView* files = listed.files.get();
    std::optional<std::size_t> row = listed.entry;
    if (!files || !staged_.empty()) {
      now = ctx_->store().View(kPasswdFile | (shadow ? kShadowFile : 0u));
      files = &now;
      row = now.passwd->FindExact(name_);
      if (!row) Gone(r.where, u"user", "etc/passwd");
    }
    r.pw = files->passwd->Fields(*row);
    if (shadow && files->shadow) {
      r.shadow_file = files->shadow->present();
      r.shadow_unreadable = files->shadow->unreadable();
      if (auto sp = files->shadow->FindExact(name_)) r.sp = files->shadow->Fields(*sp);
    }
  }
  for (const auto& [name, value] : staged_) WriteUserProperty(r, name, value);
  return r;
}

Variant FilesUser::Get(std::u16string_view name) {
  // Only the files the property is held in are looked at; staged puts may need them all.
  const PropertyRow<UserRecord>* row = FindUserRow(name);  // nullptr: the read below fails
  const UserPropertyNeeds needs = row ? NeedsOfUserProperty(*row) : UserPropertyNeeds{};
  const bool everything = pending_ || !staged_.empty();
  std::shared_ptr<const Settings> defs;
  if (needs.login_defs || everything) defs = ctx_->store().LoginDefs();
  const UserRecord r = Record(defs.get(), needs.shadow || everything);
  return row ? ReadUserProperty(r, *row) : ReadUserProperty(r, name);
}

void FilesUser::Put(std::u16string_view name, const Variant& value) {
  listed_ = {};  // a write checks the files as they are now
  const auto defs = ctx_->store().LoginDefs();
  UserRecord r = Record(defs.get(), true);
  WriteUserProperty(r, name, value);  // refuses a bad value now, before anything is staged
  std::size_t bytes = r.pw.size() - 1;
  for (const auto& field : r.pw) bytes += field.size();
  if (bytes > MaxEntryBytes("etc/passwd")) {
    throw AutomationError(errc::kInvalidArg,
                          u"The property \"" + std::u16string(name) + u"\" of " + ADsPath() +
                              u" cannot be written: the entry in " + u"etc/passwd would be " +
                              FromUtf8(std::to_string(bytes)) +
                              u" bytes long, and the account tools read entries of at most " +
                              FromUtf8(std::to_string(MaxEntryBytes("etc/passwd"))));
  }
  staged_.emplace_back(std::u16string(name), value);
}

void FilesUser::SetInfo() {
  listed_ = {};
  const std::u16string where = ADsPath();
  auto apply = [&](UserRecord& r) {
    for (const auto& [name, value] : staged_) WriteUserProperty(r, name, value);
  };
  if (pending_) {
    const NewAccountDefaults d = Defaults(*ctx_);
    ctx_->store().Modify(kAllFiles, [&](AccountFiles& f) { AddUser(f, name_, d, where, apply); });
    pending_ = false;
    staged_.clear();
    return;
  }
  if (staged_.empty()) return;
  const Settings defs = *ctx_->store().LoginDefs();
  ctx_->store().Modify(kAllFiles, [&](AccountFiles& f) {
    auto row = f.passwd.FindExact(name_);
    if (!row) Gone(where, u"user", "etc/passwd");
    UserRecord r = UserRecordAt(f, *row, defs, where);
    const std::string old_gid = r.pw[kPwGid];
    apply(r);
    const std::string& gid = r.pw[kPwGid];
    // A primary group without an entry is allowed as found (the tools allow it); only a
    // change to one is refused.
    if (gid != old_gid && std::none_of(f.group.rows.begin(), f.group.rows.end(),
                                       [&](const Row& g) { return g[kGrGid] == gid; })) {
      throw AutomationError(errc::kInvalidArg, u"The property \"PrimaryGroupID\" of " + where +
                                                   u" cannot be " + FromUtf8(gid) +
                                                   u": etc/group has no such group");
    }
    StoreUserRecord(f, *row, r);
  });
  staged_.clear();
}

std::shared_ptr<directory::IADsMembers> FilesUser::Groups() {
  RequireCreated();
  listed_ = {};  // the groups are read as the files are now; later reads are not older
  return std::make_shared<FilesMembers>(ctx_, name_, true);
}

void FilesUser::SetPassword(std::u16string_view password) {
  RequireCreated();
  listed_ = {};
  const std::u16string where = ADsPath();
  if (password.find(u'\0') != std::u16string_view::npos) {
    throw AutomationError(errc::kInvalidArg,
                          u"The password for " + where + u" holds a NUL character");
  }
  const Settings defs = *ctx_->store().LoginDefs();
  const int64_t minimum = defs.Number("PASS_MIN_LEN", 0);
  if (static_cast<int64_t>(password.size()) < minimum) {
    throw AutomationError(errc::kPasswordRestriction,
                          u"The password for " + where + u" is shorter than the " +
                              FromUtf8(std::to_string(minimum)) +
                              u" characters etc/login.defs asks for (PASS_MIN_LEN)");
  }
  std::string clear = ToUtf8(password);
  std::string hash;
  try {
    hash = HashPassword(clear, defs);
  } catch (...) {
    explicit_bzero(clear.data(), clear.size());
    throw;
  }
  explicit_bzero(clear.data(), clear.size());
  ctx_->store().Modify(kPasswdFile | kShadowFile, [&](AccountFiles& f) {
    auto row = f.passwd.FindExact(name_);
    if (!row) Gone(where, u"user", "etc/passwd");
    UserRecord r = UserRecordAt(f, *row, defs, where);
    StorePasswordHash(r, hash);
    StoreUserRecord(f, *row, r);
  });
}

// Groups.

std::u16string FilesGroup::GUID() {
  return UnixGuid(2, IdField(Record().gr[kGrGid]));
}

void FilesGroup::RequireCreated() const {
  if (pending_) NotYet(ctx_->AccountPath(name_), u"group");
}

GroupRecord FilesGroup::Record() {
  GroupRecord r;
  if (pending_) {
    r.gr = {name_, "x", "0", ""};
    r.where = ctx_->AccountPath(name_);
  } else {
    // As a user's: the first read of a listed group looks at what its listing checked.
    const Listed listed = std::exchange(listed_, Listed{});
    AccountView now;
    const AccountView* files = listed.files.get();
    std::optional<std::size_t> row = listed.entry;
    if (!files || !staged_.empty()) {
      now = ctx_->store().View(kGroupFile | kGshadowFile);
      files = &now;
      row = now.group->FindExact(name_);
      if (!row) Gone(ctx_->AccountPath(name_), u"group", "etc/group");
    }
    r.gr = files->group->Fields(*row);
    if (auto sg = files->gshadow->FindExact(name_)) r.sg = files->gshadow->Fields(*sg);
    r.where = ctx_->AccountPath(name_);
  }
  for (const auto& [name, value] : staged_) WriteGroupProperty(r, name, value);
  return r;
}

Variant FilesGroup::Get(std::u16string_view name) {
  return ReadGroupProperty(Record(), name);
}

void FilesGroup::Put(std::u16string_view name, const Variant& value) {
  listed_ = {};  // a write checks the files as they are now
  GroupRecord r = Record();
  WriteGroupProperty(r, name, value);
  staged_.emplace_back(std::u16string(name), value);
}

void FilesGroup::SetInfo() {
  // No group property the files hold can be changed, so only a new group is written.
  listed_ = {};
  Record();
  if (pending_) {
    const NewAccountDefaults d = Defaults(*ctx_);
    const std::u16string where = ctx_->AccountPath(name_);
    ctx_->store().Modify(kGroupFile | kGshadowFile,
                         [&](AccountFiles& f) { AddGroup(f, name_, d, where); });
    pending_ = false;
  }
  staged_.clear();
}

std::shared_ptr<directory::IADsMembers> FilesGroup::Members() {
  RequireCreated();
  listed_ = {};
  return std::make_shared<FilesMembers>(ctx_, name_, false);
}

std::string FilesGroup::MemberUser(std::u16string_view path, const AccountView& files) {
  Target t = ctx_->Resolve(path, files);
  if (t.kind != ObjectKind::kUser) {
    throw AutomationError(errc::kInvalidMember,
                          u"The group " + ctx_->AccountPath(name_) + u" cannot hold " +
                              std::u16string(path) +
                              u": a group of the files backend holds only users");
  }
  return t.name;
}

bool FilesGroup::IsMember(std::u16string_view path) {
  listed_ = {};
  // One look at the files for the path, the group and the user.
  Target t;
  AccountView files;
  try {
    files = ctx_->store().View(kAllFiles);
    t = ctx_->Resolve(path, files);
  } catch (const AutomationError& e) {
    if (e.code() == static_cast<int32_t>(errc::kNoSuchObject)) return false;
    throw;
  }
  if (t.kind != ObjectKind::kUser) return false;
  Row group;
  if (pending_) {
    group = Record().gr;
  } else if (auto row = files.group->FindExact(name_)) {
    group = files.group->Fields(*row);
  } else {
    Gone(ctx_->AccountPath(name_), u"group", "etc/group");
  }
  auto members = SplitList(group[kGrMembers]);
  if (std::find(members.begin(), members.end(), t.name) != members.end()) return true;
  auto row = files.passwd->FindExact(t.name);
  return row && files.passwd->Fields(*row)[kPwGid] == group[kGrGid];
}

void FilesGroup::Add(std::u16string_view path) {
  RequireCreated();
  listed_ = {};
  // One look at the files for the path, the user and the group before the change.
  const AccountView files = ctx_->store().View(kAllFiles);
  const std::string user = MemberUser(path, files);
  const std::u16string where = ctx_->AccountPath(name_);
  {
    auto u = files.passwd->FindExact(user);
    auto g = files.group->FindExact(name_);
    if (u && g && files.passwd->Fields(*u)[kPwGid] == files.group->Fields(*g)[kGrGid]) {
      throw AutomationError(errc::kMemberInGroup, u"The user \"" + FromUtf8(user) +
                                                      u"\" is already a member of " + where +
                                                      u": it is the user's primary group");
    }
  }
  ctx_->store().Modify(kGroupFile | kGshadowFile,
                       [&](AccountFiles& f) { AddToMemberList(f, name_, user, where); });
}

void FilesGroup::Remove(std::u16string_view path) {
  RequireCreated();
  listed_ = {};
  const std::string user = MemberUser(path, ctx_->store().View(kAllFiles));
  const std::u16string where = ctx_->AccountPath(name_);
  ctx_->store().Modify(kGroupFile | kGshadowFile, [&](AccountFiles& f) {
    if (RemoveFromMemberList(f, name_, user)) return;
    if (!f.group.FindExact(name_)) Gone(where, u"group", "etc/group");
    if (IsMember(path)) {
      throw AutomationError(errc::kNotSupported,
                            u"The user \"" + FromUtf8(user) + u"\" belongs to " + where +
                                u" as its primary group; the files backend changes that only "
                                u"through the user's PrimaryGroupID");
    }
    throw AutomationError(errc::kMemberNotInGroup,
                          u"The user \"" + FromUtf8(user) + u"\" is not a member of " + where);
  });
}

// Member lists.

std::unique_ptr<directory::IADsEnum> FilesMembers::NewEnum() {
  auto files = ctx_->store().Read();
  std::vector<Target> targets;
  const std::u16string where = ctx_->AccountPath(owner_);
  if (groups_of_user_) {
    auto row = files->passwd.FindExact(owner_);
    if (!row) Gone(where, u"user", "etc/passwd");
    const std::string& gid = files->passwd.rows[*row][kPwGid];
    for (const auto& g : files->group.rows) {
      auto members = SplitList(g[kGrMembers]);
      if (g[kGrGid] == gid || std::find(members.begin(), members.end(), owner_) != members.end()) {
        targets.push_back({ObjectKind::kGroup, g[kGrName]});
      }
    }
  } else {
    auto row = files->group.FindExact(owner_);
    if (!row) Gone(where, u"group", "etc/group");
    const Row& g = files->group.rows[*row];
    std::vector<std::string> seen;
    for (const auto& name : SplitList(g[kGrMembers])) {
      // Names the group lists without a passwd entry are not accounts and are left out.
      if (files->passwd.FindExact(name) &&
          std::find(seen.begin(), seen.end(), name) == seen.end()) {
        seen.push_back(name);
        targets.push_back({ObjectKind::kUser, name});
      }
    }
    for (const auto& u : files->passwd.rows) {
      if (u[kPwGid] == g[kGrGid] && std::find(seen.begin(), seen.end(), u[kPwName]) == seen.end()) {
        seen.push_back(u[kPwName]);
        targets.push_back({ObjectKind::kUser, u[kPwName]});
      }
    }
  }
  return Walk(ctx_, std::move(targets));
}

}  // namespace moxtrel::backends::files
