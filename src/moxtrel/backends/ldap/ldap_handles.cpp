#include "moxtrel/backends/ldap/ldap_handles.h"

#include <ldap.h>
#include <strings.h>

#include "moxtrel/backends/ldap/ldap_escape.h"
#include "moxtrel/backends/ldap/ldap_mapping.h"
#include "moxtrel/directory/snapshot_enum.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::ldap {

using directory::ObjectKind;

namespace {

[[noreturn]] void NotYet(const std::u16string& path, std::u16string_view noun) {
  throw AutomationError(errc::kNoSuchObject, u"The " + std::u16string(noun) + u" " + path +
                                                 u" does not exist until SetInfo creates it");
}

// Whether two DNs name the same entry, however each is spelled ("CN=a, CN=Users" and
// "cn=a,cn=users"; "\\3D" and "\\=").
bool SameDn(const std::string& a, const std::string& b) {
  if (strcasecmp(a.c_str(), b.c_str()) == 0) return true;
  auto normal = [](const std::string& dn) {
    char* out = nullptr;
    std::string n;
    if (ldap_dn_normalize(dn.c_str(), LDAP_DN_FORMAT_LDAPV3, &out, LDAP_DN_FORMAT_LDAPV3) ==
            LDAP_SUCCESS &&
        out) {
      n = out;
    }
    if (out) ldap_memfree(out);
    return n;
  };
  const std::string na = normal(a), nb = normal(b);
  return !na.empty() && strcasecmp(na.c_str(), nb.c_str()) == 0;
}

// The account named by each entry of a listing.
std::vector<Target> Targets(LdapContext& ctx, ObjectKind kind, std::vector<LdapEntry> entries) {
  std::vector<Target> out;
  out.reserve(entries.size());
  for (auto& e : entries) {
    std::string name = ctx.NameOf(kind, e);
    out.emplace_back(kind, std::move(name), std::move(e.dn));
  }
  return out;
}

// The groups that list a user by name (memberUid) or by DN (member); a dc group lists DNs only.
std::vector<LdapEntry> GroupsListing(LdapContext& ctx, const Target& user,
                                     const std::vector<std::string>& attrs) {
  const std::string by_dn = "(member=" + FilterValue(user.dn) + ")";
  const std::string filter =
      "(&" + ctx.Filter(ObjectKind::kGroup, "") +
      (ctx.Dc() ? by_dn : "(|(memberUid=" + FilterValue(user.name) + ")" + by_dn + ")") + ")";
  return ctx.conn().Search(ctx.SearchBase(ObjectKind::kGroup), ctx.Scope(), filter, attrs);
}

// A member DN as compared: a uniqueMember value's optional "#'0101'B" uid left out.
std::string MemberDn(const std::string& value) {
  const auto hash = value.rfind("#'");
  return hash != std::string::npos && value.ends_with("'B") ? value.substr(0, hash) : value;
}

// Changes every group's reference to a user: removed, or renamed to `renamed`. Every entry under
// the base that lists the user counts, whatever its class: by name in memberUid, by DN in
// member or uniqueMember. Each group is one modify; the groups that could not be changed are
// named in the error.
void RewriteMemberships(LdapContext& ctx, const Target& user, const Target* renamed) {
  const std::string dn = FilterValue(user.dn);
  std::string filter = "(member=" + dn + ")(uniqueMember=" + dn + ")";
  if (!ctx.Dc()) filter += "(memberUid=" + FilterValue(user.name) + ")";
  const auto groups =
      ctx.conn().Search(ctx.options().base, SearchScope::kSubtree, "(|" + filter + ")",
                        {"objectClass", "memberUid", "member", "uniqueMember"});
  std::u16string left;
  AutomationError first(errc::kFail, u"");
  for (const auto& g : groups) {
    std::vector<LdapChange> changes;
    for (const auto& v : g.Values("memberUid")) {
      if (strcasecmp(v.c_str(), user.name.c_str()) == 0) {
        changes.push_back({LDAP_MOD_DELETE, "memberUid", {v}});
        if (renamed) changes.push_back({LDAP_MOD_ADD, "memberUid", {renamed->name}});
        break;
      }
    }
    for (const char* attr : {"member", "uniqueMember"}) {
      const auto& all = g.Values(attr);
      for (const auto& v : all) {
        if (!SameDn(MemberDn(v), user.dn)) continue;
        // groupOfNames and groupOfUniqueNames require a member: the last one is replaced by the
        // group's own DN.
        bool required = false;
        for (const auto& c : g.Values("objectClass")) {
          required = required || strcasecmp(c.c_str(), "groupOfNames") == 0 ||
                     strcasecmp(c.c_str(), "groupOfUniqueNames") == 0;
        }
        if (!renamed && all.size() == 1 && required) {
          changes.push_back({LDAP_MOD_REPLACE, attr, {g.dn}});
        } else {
          changes.push_back({LDAP_MOD_DELETE, attr, {v}});
          if (renamed) {
            changes.push_back({LDAP_MOD_ADD, attr, {renamed->dn + v.substr(MemberDn(v).size())}});
          }
        }
        break;
      }
    }
    try {
      ctx.conn().Modify(g.dn, changes);
    } catch (const AutomationError& e) {
      if (left.empty()) first = e;
      left += (left.empty() ? u"" : u", ") + FromUtf8(g.dn);
    }
  }
  if (!left.empty()) {
    throw AutomationError(first.code(), u"The user " + ctx.AccountPath(user.name) +
                                            u" is still listed by the groups " + left + u": " +
                                            first.description());
  }
}

// A name a path can hold: a comma would end the name where the class word begins.
void RequirePathName(std::u16string_view name, ObjectKind kind, std::u16string_view what) {
  if (name.find(u',') == std::u16string_view::npos) return;
  throw AutomationError(errc::kInvalidName,
                        std::u16string(what) + u": the " +
                            std::u16string(directory::KindNoun(kind)) + u" name \"" +
                            std::u16string(name) +
                            u"\" holds a comma, which a path cannot hold: the account could not "
                            u"be bound by its path");
}

// The users among the entries at `dns`, each read with a base search: DNs of groups,
// computers or of entries that are gone are left out.
std::vector<Target> UsersAt(LdapContext& ctx, const std::vector<std::string>& dns) {
  std::vector<Target> out;
  const std::string filter = ctx.Filter(ObjectKind::kUser, "");
  for (const auto& dn : dns) {
    try {
      auto found = ctx.conn().Search(dn, SearchScope::kBase, filter,
                                     {ctx.NamingAttribute(ObjectKind::kUser)});
      if (!found.empty())
        out.emplace_back(ObjectKind::kUser, ctx.NameOf(ObjectKind::kUser, found[0]), dn);
    } catch (const AutomationError& e) {
      if (e.code() != static_cast<int32_t>(errc::kNoSuchObject)) throw;
    }
  }
  return out;
}

// Walks targets found when the walk began, each handed out once.
std::unique_ptr<directory::IADsEnum> Walk(const ContextPtr& ctx, std::vector<Target> targets) {
  return directory::EnumSnapshot(std::move(targets),
                                 [ctx](Target&& t) { return MakeLdapHandle(ctx, std::move(t)); });
}

}  // namespace

std::shared_ptr<directory::IADs> MakeLdapHandle(const ContextPtr& ctx, Target t) {
  switch (t.kind) {
    case ObjectKind::kDomain:
      return std::make_shared<LdapDomain>(ctx);
    case ObjectKind::kUser:
      return std::make_shared<LdapUser>(ctx, std::move(t));
    case ObjectKind::kGroup:
      return std::make_shared<LdapGroup>(ctx, std::move(t));
    default:
      return std::make_shared<LdapComputer>(ctx, std::move(t));
  }
}

// Accounts.

LdapAccount::Entries& LdapAccount::State() {
  if (!state_) state_ = std::make_unique<Entries>();
  return *state_;
}

const LdapEntry& LdapAccount::Read() {
  auto& read = State().read;
  if (read) return *read;
  if (pending_) {
    read = LdapEntry{target_.dn, {}};
  } else if (!target_.listed.empty()) {
    // One copy of the entry: what the listing brought becomes the entry as read.
    read = target_.listed.Unpack(target_.dn);
    target_.listed = PackedEntry();
  } else {
    auto found = ctx_->conn().Search(target_.dn, SearchScope::kBase, "(objectClass=*)",
                                     ctx_->EntryAttributes(target_.kind));
    if (found.empty()) {
      throw AutomationError(errc::kNoSuchObject, u"The entry of " + Path() + u" is gone");
    }
    read = std::move(found.front());
  }
  return *read;
}

const LdapEntry& LdapAccount::Current() {
  auto& work = State().work;
  return work ? *work : Read();
}

void LdapAccount::Forget() {
  state_.reset();
  target_.listed = PackedEntry();
}

Variant LdapAccount::GetProperty(std::u16string_view name) {
  const bool sid = EqualsNoCase(name, u"ObjectSID") && !pending_;
  if (!Loaded() && !target_.listed.empty()) {
    // Served from what the listing brought, unpacked for this read only: a member keeps its
    // listing's packed block and nothing more.
    const LdapEntry listed = target_.listed.Unpack(target_.dn);
    Variant v = ReadProperty(ctx_->options().schema, target_.kind, listed, name);
    if (sid) ctx_->RequireSoleId(target_.kind, listed);
    return v;
  }
  const LdapEntry& e = Current();
  Variant v = ReadProperty(ctx_->options().schema, target_.kind, e, name);
  // The SID is made of the uidNumber (gidNumber): a shared id would give two accounts one SID.
  if (sid) ctx_->RequireSoleId(target_.kind, e);
  return v;
}

void LdapAccount::PutProperty(std::u16string_view name, const Variant& value) {
  LdapEntry copy = Current();
  // A refused write stages nothing.
  WriteProperty(ctx_->options().schema, target_.kind, copy, name, value);
  State().work = std::move(copy);
}

void LdapAccount::Commit(const std::vector<LdapChange>& new_entry_attrs) {
  if (pending_) {
    std::vector<LdapChange> attrs = new_entry_attrs;
    for (const auto& [attr, values] : Current().attrs) {
      bool given = false;
      for (auto& a : attrs) {
        if (strcasecmp(a.attr.c_str(), attr.c_str()) == 0) {
          a.values = values;
          given = true;
        }
      }
      if (!given) attrs.push_back({LDAP_MOD_ADD, attr, values});
    }
    ctx_->conn().Add(target_.dn, attrs);  // one add: the entry is whole or absent
    pending_ = false;
    Forget();
    return;
  }
  if (!state_ || !state_->work) return;
  try {
    ctx_->conn().Modify(target_.dn, Diff(Read(), *state_->work));
  } catch (...) {
    // What the server refused does not stay staged: the next read shows what it holds, and the
    // next SetInfo sends only what is put after this.
    Forget();
    throw;
  }
  state_->read = std::move(state_->work);
  state_->work.reset();
}

void LdapAccount::RequireCreated() const {
  if (pending_) NotYet(Path(), directory::KindNoun(target_.kind));
}

// The domain.

LdapEntry LdapDomain::Policy() {
  LdapEntry e{ctx_->options().base, {}};
  if (!ctx_->Dc()) return e;
  // A domain controller keeps the policy on the domain object, the base.
  auto found = ctx_->conn().Search(ctx_->options().base, SearchScope::kBase, "(objectClass=*)",
                                   DcDomainAttributes());
  return found.empty() ? e : std::move(found.front());
}

Variant LdapDomain::Get(std::u16string_view name) {
  return ReadProperty(ctx_->options().schema, ObjectKind::kDomain, Policy(), name);
}

void LdapDomain::Put(std::u16string_view name, const Variant& value) {
  LdapEntry e = Policy();
  WriteProperty(ctx_->options().schema, ObjectKind::kDomain, e, name, value);
}

std::unique_ptr<directory::IADsEnum> LdapDomain::NewEnum() {
  std::vector<Target> all;
  for (ObjectKind kind : {ObjectKind::kUser, ObjectKind::kGroup, ObjectKind::kComputer}) {
    if (!Allows(kind)) continue;
    auto targets = ctx_->ListAccounts(kind);
    all.insert(all.end(), std::make_move_iterator(targets.begin()),
               std::make_move_iterator(targets.end()));
  }
  return Walk(ctx_, std::move(all));
}

std::shared_ptr<directory::IADs> LdapDomain::Create(std::u16string_view class_word,
                                                    std::u16string_view name) {
  const auto kind = directory::RequireClassWord(class_word, u"Create in " + ctx_->DomainPath());
  if (kind != ObjectKind::kUser && kind != ObjectKind::kGroup) {
    throw AutomationError(errc::kNotSupported,
                          u"Create in " + ctx_->DomainPath() +
                              u": the LDAP backend creates users and groups, not a " +
                              std::u16string(directory::KindNoun(kind)));
  }
  RequirePathName(name, kind, u"Create in " + ctx_->DomainPath());
  directory::ValidateName(name, kind);
  const std::string n = ToUtf8(name);
  // Names are unique across users and groups, as in the rest of the namespace.
  for (ObjectKind k : {ObjectKind::kUser, ObjectKind::kGroup}) {
    if (ctx_->Find(k, n, {})) {
      throw AutomationError(errc::kObjectExists, u"The name \"" + std::u16string(name) +
                                                     u"\" is already used by a " +
                                                     std::u16string(directory::KindNoun(k)) +
                                                     u" in " + ctx_->DomainPath());
    }
  }
  Target t{kind, n, ctx_->NewDn(kind, n)};
  if (kind == ObjectKind::kUser) return std::make_shared<LdapUser>(ctx_, t, true);
  return std::make_shared<LdapGroup>(ctx_, t, true);
}

void LdapDomain::Delete(std::u16string_view class_word, std::u16string_view name) {
  auto kind = directory::KindFromClassWord(class_word);
  if (!kind || (*kind != ObjectKind::kUser && *kind != ObjectKind::kGroup)) {
    throw AutomationError(errc::kNoSuchObject, u"Delete in " + ctx_->DomainPath() +
                                                   u": the LDAP backend deletes users and " +
                                                   u"groups, not \"" + std::u16string(class_word) +
                                                   u"\"");
  }
  auto e = ctx_->Find(*kind, ToUtf8(name), {});
  if (!e) {
    throw AutomationError(errc::kNoSuchObject,
                          u"There is no " + std::u16string(directory::KindNoun(*kind)) + u" \"" +
                              std::u16string(name) + u"\" in " + ctx_->DomainPath());
  }
  Target t{*kind, ctx_->NameOf(*kind, *e), e->dn};
  ctx_->conn().Delete(t.dn);
  // The entry goes first, so a failure leaves no account; then its group references.
  if (*kind == ObjectKind::kUser) RewriteMemberships(*ctx_, t, nullptr);
}

std::shared_ptr<directory::IADs> LdapDomain::MoveHere(std::u16string_view source_path,
                                                      std::u16string_view new_name) {
  Target t = ctx_->Resolve(source_path);
  if (t.kind != ObjectKind::kUser && t.kind != ObjectKind::kGroup) {
    throw AutomationError(errc::kNotSupported, u"MoveHere in " + ctx_->DomainPath() +
                                                   u": the LDAP backend renames users and " +
                                                   u"groups only");
  }
  if (new_name.empty() || ToUtf8(new_name) == t.name) return MakeLdapHandle(ctx_, t);
  RequirePathName(new_name, t.kind, u"MoveHere in " + ctx_->DomainPath());
  directory::ValidateName(new_name, t.kind);
  const std::string n = ToUtf8(new_name);
  for (ObjectKind k : {ObjectKind::kUser, ObjectKind::kGroup}) {
    auto other = ctx_->Find(k, n, {});
    if (other && other->dn != t.dn) {
      throw AutomationError(errc::kObjectExists, u"The name \"" + std::u16string(new_name) +
                                                     u"\" is already used in " +
                                                     ctx_->DomainPath());
    }
  }
  if (ctx_->Dc()) {
    // The account name is an attribute: one modify, and the DN that groups list stays.
    ctx_->conn().Modify(t.dn, {{LDAP_MOD_REPLACE, ctx_->NamingAttribute(t.kind), {n}}});
    return MakeLdapHandle(ctx_, {t.kind, n, t.dn});
  }
  Target renamed{t.kind, n, ctx_->RenamedDn(t, n)};
  ctx_->conn().Rename(t.dn, ctx_->NewRdn(t.kind, n));
  if (t.kind == ObjectKind::kUser) RewriteMemberships(*ctx_, t, &renamed);
  return MakeLdapHandle(ctx_, renamed);
}

// Users.

void LdapUser::SetInfo() {
  if (!pending_) {
    Commit({});
    return;
  }
  const std::string& n = target_.name;
  const LdapEntry& work = Current();
  if (ctx_->Dc()) {
    std::vector<LdapChange> attrs = {{LDAP_MOD_ADD, "objectClass", {"user"}},
                                     {LDAP_MOD_ADD, "cn", {n}},
                                     {LDAP_MOD_ADD, "sAMAccountName", {n}}};
    // A normal account unless flags were staged.
    if (work.Values("userAccountControl").empty()) {
      attrs.push_back({LDAP_MOD_ADD, "userAccountControl", {"512"}});
    }
    Commit(attrs);
    return;
  }
  std::vector<LdapChange> attrs = {
      {LDAP_MOD_ADD, "objectClass", {"inetOrgPerson", "posixAccount", "shadowAccount"}},
      {LDAP_MOD_ADD, "uid", {n}},
      {LDAP_MOD_ADD, "cn", {n}},
      {LDAP_MOD_ADD, "sn", {n}},
      {LDAP_MOD_ADD, "uidNumber", {std::to_string(ctx_->NextId(ObjectKind::kUser))}},
  };
  if (work.Values("gidNumber").empty()) {
    attrs.push_back({LDAP_MOD_ADD, "gidNumber", {std::to_string(ctx_->options().default_gid)}});
  }
  if (work.Values("homeDirectory").empty()) {
    attrs.push_back({LDAP_MOD_ADD, "homeDirectory", {"/home/" + n}});
  }
  Commit(attrs);
}

std::shared_ptr<directory::IADsMembers> LdapUser::Groups() {
  RequireCreated();
  return std::make_shared<LdapMembers>(ctx_, target_);
}

void LdapUser::SetPassword(std::u16string_view password) {
  RequireCreated();
  if (password.find(u'\0') != std::u16string_view::npos) {
    throw AutomationError(errc::kInvalidArg,
                          u"The password for " + Path() + u" holds a NUL character");
  }
  if (ctx_->Dc() && !ctx_->conn().Encrypted()) {
    throw AutomationError(errc::kAccessDenied,
                          u"SetPassword of " + Path() +
                              u": the dc profile sends a password (unicodePwd) only over an "
                              u"encrypted connection, and " +
                              FromUtf8(ctx_->conn().url()) +
                              u" is not encrypted (use ldaps:// or start_tls = true)");
  }
  if (!ctx_->Dc() && !ctx_->options().allow_plaintext && !ctx_->conn().Encrypted()) {
    throw AutomationError(errc::kAccessDenied,
                          u"SetPassword of " + Path() +
                              u": a password is sent only over an encrypted connection, and " +
                              FromUtf8(ctx_->conn().url()) +
                              u" is not encrypted (use ldaps://, start_tls = true, or "
                              u"allow_plaintext = true, which is unsafe)");
  }
  std::string clear;
  if (ctx_->Dc()) {
    // unicodePwd takes the password in double quotes, in UTF-16LE.
    std::u16string quoted = u"\"" + std::u16string(password) + u"\"";
    for (char16_t c : quoted) {
      clear.push_back(static_cast<char>(c & 0xFF));
      clear.push_back(static_cast<char>(c >> 8));
    }
    explicit_bzero(quoted.data(), quoted.size() * sizeof(char16_t));
  } else {
    clear = ToUtf8(password);
  }
  try {
    if (ctx_->Dc()) {
      ctx_->conn().Modify(target_.dn, {{LDAP_MOD_REPLACE, "unicodePwd", {clear}}},
                          /*encrypted_only=*/true);
    } else {
      // The server hashes it: the clear text is never stored as given.
      ctx_->conn().SetPassword(target_.dn, clear);
    }
  } catch (...) {
    explicit_bzero(clear.data(), clear.size());
    throw;
  }
  explicit_bzero(clear.data(), clear.size());
}

// Groups.

void LdapGroup::SetInfo() {
  if (!pending_) {
    Commit({});
    return;
  }
  if (ctx_->Dc()) {
    std::vector<LdapChange> attrs = {{LDAP_MOD_ADD, "objectClass", {"group"}},
                                     {LDAP_MOD_ADD, "cn", {target_.name}},
                                     {LDAP_MOD_ADD, "sAMAccountName", {target_.name}}};
    // A global security group unless a type was staged.
    if (Current().Values("groupType").empty()) {
      attrs.push_back({LDAP_MOD_ADD, "groupType", {"-2147483646"}});
    }
    Commit(attrs);
    return;
  }
  Commit({{LDAP_MOD_ADD, "objectClass", {"posixGroup"}},
          {LDAP_MOD_ADD, "cn", {target_.name}},
          {LDAP_MOD_ADD, "gidNumber", {std::to_string(ctx_->NextId(ObjectKind::kGroup))}}});
}

std::shared_ptr<directory::IADsMembers> LdapGroup::Members() {
  RequireCreated();
  return std::make_shared<LdapMembers>(ctx_, target_);
}

Target LdapGroup::MemberUser(std::u16string_view path) {
  Target t = ctx_->Resolve(path);
  if (t.kind != ObjectKind::kUser) {
    throw AutomationError(errc::kInvalidMember, u"The group " + Path() + u" cannot hold " +
                                                    std::u16string(path) +
                                                    u": a group of the LDAP backend holds users");
  }
  return t;
}

std::vector<LdapChange> LdapGroup::MemberChange(int op, const Target& user) {
  if (ctx_->Dc()) return {{op, "member", {user.dn}}};
  std::vector<LdapChange> changes = {{op, "memberUid", {user.name}}};
  // Read afresh: another handle may have changed the members since this one read the entry.
  auto found =
      ctx_->conn().Search(target_.dn, SearchScope::kBase, "(objectClass=groupOfNames)", {"member"});
  if (found.empty()) return changes;
  // groupOfNames requires a member: the group's own DN stands in while no user is listed.
  const auto& members = found.front().Values("member");
  const bool only = members.size() == 1;
  if (op == LDAP_MOD_ADD && only && SameDn(members[0], target_.dn)) {
    changes.push_back({LDAP_MOD_REPLACE, "member", {user.dn}});
  } else if (op == LDAP_MOD_DELETE && only && SameDn(members[0], user.dn)) {
    changes.push_back({LDAP_MOD_REPLACE, "member", {target_.dn}});
  } else {
    changes.push_back({op, "member", {user.dn}});
  }
  return changes;
}

bool LdapGroup::IsMember(std::u16string_view path) {
  RequireCreated();
  Target t;
  try {
    t = ctx_->Resolve(path);
  } catch (const AutomationError& e) {
    if (e.code() == static_cast<int32_t>(errc::kNoSuchObject)) return false;
    throw;
  }
  if (t.kind != ObjectKind::kUser) return false;
  auto found = ctx_->conn().Search(
      target_.dn, SearchScope::kBase,
      "(" + std::string(ctx_->MemberAttribute()) + "=" + FilterValue(ctx_->MemberValue(t)) + ")",
      {});
  return !found.empty();
}

void LdapGroup::Add(std::u16string_view path) {
  RequireCreated();
  const Target user = MemberUser(path);
  try {
    ctx_->conn().Modify(target_.dn, MemberChange(LDAP_MOD_ADD, user));
  } catch (const AutomationError& e) {
    if (e.code() != static_cast<int32_t>(errc::kMemberInGroup)) throw;
    throw AutomationError(errc::kMemberInGroup, u"The user \"" + FromUtf8(user.name) +
                                                    u"\" is already a member of " + Path());
  }
  Forget();
}

void LdapGroup::Remove(std::u16string_view path) {
  RequireCreated();
  const Target user = MemberUser(path);
  try {
    ctx_->conn().Modify(target_.dn, MemberChange(LDAP_MOD_DELETE, user));
  } catch (const AutomationError& e) {
    if (e.code() != static_cast<int32_t>(errc::kMemberNotInGroup)) throw;
    throw AutomationError(errc::kMemberNotInGroup, u"The user \"" + FromUtf8(user.name) +
                                                       u"\" is not a member of " + Path());
  }
  Forget();
}

// Computers hold no accounts of their own in a directory.

void LdapComputer::NoAccounts(std::u16string_view what) {
  throw AutomationError(errc::kNotSupported, std::u16string(what) + u" in " + Path() +
                                                 u": the LDAP backend holds no accounts of a "
                                                 u"computer; they live on the computer");
}

std::unique_ptr<directory::IADsEnum> LdapComputer::NewEnum() {
  return Walk(ctx_, std::vector<Target>{});
}
std::shared_ptr<directory::IADs> LdapComputer::Create(std::u16string_view, std::u16string_view) {
  NoAccounts(u"Create");
}
void LdapComputer::Delete(std::u16string_view, std::u16string_view) {
  NoAccounts(u"Delete");
}
std::shared_ptr<directory::IADs> LdapComputer::MoveHere(std::u16string_view, std::u16string_view) {
  NoAccounts(u"MoveHere");
}

// Member lists.

std::unique_ptr<directory::IADsEnum> LdapMembers::NewEnum() {
  if (owner_.kind == ObjectKind::kUser) {
    auto groups = GroupsListing(*ctx_, owner_, {ctx_->NamingAttribute(ObjectKind::kGroup)});
    return Walk(ctx_, Targets(*ctx_, ObjectKind::kGroup, std::move(groups)));
  }
  const char* attr = ctx_->MemberAttribute();
  auto group = ctx_->conn().Search(owner_.dn, SearchScope::kBase, "(objectClass=*)", {attr});
  if (group.empty()) {
    throw AutomationError(errc::kNoSuchObject,
                          u"The group " + ctx_->AccountPath(owner_.name) + u" is gone");
  }
  const auto& names = group.front().Values(attr);
  if (names.empty()) return Walk(ctx_, std::vector<Target>{});
  if (ctx_->Dc()) return Walk(ctx_, UsersAt(*ctx_, names));
  // One search for all members; names with no user entry are not accounts and are left out.
  std::string filter = "(&" + ctx_->Filter(ObjectKind::kUser, "") + "(|";
  for (const auto& n : names) filter += "(uid=" + FilterValue(n) + ")";
  filter += "))";
  return Walk(ctx_, ctx_->ListAccounts(ObjectKind::kUser, filter));
}

}  // namespace moxtrel::backends::ldap
