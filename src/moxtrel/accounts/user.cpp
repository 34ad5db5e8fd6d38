#include "moxtrel/accounts/user.h"

#include <bit>
#include <cstring>

#include "moxtrel/accounts/account_container.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"

namespace moxtrel {

using directory::Bind;
using directory::IADsGroup;
using directory::IADsUser;
using directory::NameFromPath;

namespace {

constexpr int32_t kPasswordCantChangeBit = 0x40;
constexpr int32_t kPasswordDoesntExpireBit = 0x10000;

// Runs a conversion of an attribute value; a failure names the property it was read for.
template <class Convert>
auto Converted(std::u16string_view property, Convert&& convert) {
  try {
    return convert();
  } catch (const AutomationError& e) {
    throw AutomationError(e, std::u16string(property) + u": " + e.description());
  }
}

std::u16string SidHex(const Variant& sid) {
  if (sid.type() == VarType::kByteArray) return HexBytes(sid.AsBytes());
  if (sid.IsArray()) {
    std::vector<uint8_t> bytes;
    for (const Variant& item : sid.AsArray().items) {
      const int32_t b = item.ToLong();
      if (b < 0 || b > 255) {
        throw AutomationError(errc::kOverflow,
                              u"the attribute ObjectSID holds a value that is not a byte");
      }
      bytes.push_back(static_cast<uint8_t>(b));
    }
    return HexBytes(bytes);
  }
  if (sid.IsEmpty()) return {};
  throw AutomationError(
      errc::kTypeMismatch,
      std::u16string(u"the attribute ObjectSID is not a byte array but ") + sid.TypeName());
}

}  // namespace

std::shared_ptr<moxUser> moxUser::Create() {
  return std::make_shared<moxUser>(Key{});
}

std::shared_ptr<moxGroups> moxUser::Groups() {
  if (groups_pending_) {
    groups_ = NewGroupsCollection(groups_path_.empty() ? PlainPath() : groups_path_);
    own_groups_ = groups_;
    groups_pending_ = false;
    std::u16string().swap(groups_path_);
  }
  return groups_;
}
void moxUser::Groups(std::shared_ptr<moxGroups> value) {
  groups_pending_ = false;
  std::u16string().swap(groups_path_);
  groups_ = std::move(value);
}

bool moxUser::AccountDisabled() {
  return user_ && user_->AccountDisabled();
}
void moxUser::AccountDisabled(bool value) {
  if (!user_) return;
  user_->AccountDisabled(value);
  user_->SetInfo();
}

Date moxUser::AccountExpirationDate() {
  if (!user_) return Date{};
  try {
    return user_->AccountExpirationDate();
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxUser.AccountExpirationDate", e);
    return Date{};
  }
}
void moxUser::AccountExpirationDate(Date value) {
  if (!user_) return;
  // Date 1.0 exactly is written as 1 January 1970, which the directory takes as "never".
  if (std::bit_cast<uint64_t>(value.value) == std::bit_cast<uint64_t>(1.0)) {
    value = Date::FromCivil(1970, 1, 1);
  }
  user_->AccountExpirationDate(value);
  user_->SetInfo();
}

bool moxUser::AccountLocked() {
  return user_ && user_->IsAccountLocked();
}
void moxUser::AccountLocked(bool value) {
  if (!user_ || value) return;
  user_->IsAccountLocked(false);
  user_->SetInfo();
}

std::u16string moxUser::Description() {
  return user_ ? user_->Description() : u"";
}
void moxUser::Description(const std::u16string& value) {
  if (!user_) return;
  user_->Description(Trim(value));
  user_->SetInfo();
}

std::u16string moxUser::Domain() {
  return domain_name_;
}
bool moxUser::Exists() {
  return static_cast<bool>(user_);
}

std::u16string moxUser::FullName() {
  return user_ ? user_->FullName() : u"";
}
void moxUser::FullName(const std::u16string& value) {
  if (!user_) return;
  user_->FullName(Trim(value));
  user_->SetInfo();
}

std::u16string moxUser::GUID() {
  return user_ ? user_->GUID() : u"";
}

std::u16string moxUser::HomeDirDrive() {
  if (!user_) return u"";
  const Variant value = user_->Get(u"HomeDirDrive");
  return Converted(u"HomeDirDrive", [&] { return value.ToString(); });
}
void moxUser::HomeDirDrive(const std::u16string& value) {
  if (!user_) return;
  user_->Put(u"HomeDirDrive", Variant(Trim(value)));
  user_->SetInfo();
}

std::u16string moxUser::HomeDirectory() {
  return user_ ? user_->HomeDirectory() : u"";
}
void moxUser::HomeDirectory(const std::u16string& value) {
  if (!user_) return;
  user_->HomeDirectory(Trim(value));
  user_->SetInfo();
}

Date moxUser::LastLogin() {
  return user_ ? user_->LastLogin() : Date{};
}
Date moxUser::LastLogoff() {
  return user_ ? user_->LastLogoff() : Date{};
}

std::u16string moxUser::LoginScript() {
  return user_ ? user_->LoginScript() : u"";
}
void moxUser::LoginScript(const std::u16string& value) {
  if (!user_) return;
  user_->LoginScript(Trim(value));
  user_->SetInfo();
}

int32_t moxUser::MaxStorage() {
  return user_ ? user_->MaxStorage() : 0;
}
void moxUser::MaxStorage(int32_t value) {
  if (!user_) return;
  user_->MaxStorage(value);
  user_->SetInfo();
}

Date moxUser::PasswordAge() {
  if (!user_) return Date{};
  const Variant value = user_->Get(u"passwordAge");
  return Converted(u"PasswordAge", [&] { return value.ToDate(); });
}

int32_t moxUser::Flags() {
  const Variant value = user_->Get(u"UserFlags");
  return Converted(u"UserFlags", [&] { return value.ToLong(); });
}

bool moxUser::UserFlag(int32_t mask) {
  return user_ && (Flags() & mask) != 0;
}
void moxUser::UserFlag(int32_t mask, bool value) {
  if (!user_) return;
  if (value) {
    user_->Put(u"UserFlags", Variant(Flags() | mask));
  } else if (UserFlag(mask)) {
    // The bit is known to be set, so Xor clears it and keeps the others.
    user_->Put(u"UserFlags", Variant(Flags() ^ mask));
  }
  user_->SetInfo();
}

bool moxUser::PasswordCantChange() {
  return UserFlag(kPasswordCantChangeBit);
}
void moxUser::PasswordCantChange(bool value) {
  UserFlag(kPasswordCantChangeBit, value);
}
bool moxUser::PasswordDoesntExpire() {
  return UserFlag(kPasswordDoesntExpireBit);
}
void moxUser::PasswordDoesntExpire(bool value) {
  UserFlag(kPasswordDoesntExpireBit, value);
}

Date moxUser::PasswordExpirationDate() {
  return user_ ? user_->PasswordExpirationDate() : Date{};
}
void moxUser::PasswordExpirationDate(Date value) {
  if (!user_) return;
  user_->PasswordExpirationDate(value);
  user_->SetInfo();
}

Date moxUser::PasswordExpired() {
  if (!user_) return Date{};
  const Variant value = user_->Get(u"PasswordExpired");
  return Converted(u"PasswordExpired", [&] { return value.ToDate(); });
}
int32_t moxUser::PasswordMinimumLength() {
  return user_ ? user_->PasswordMinimumLength() : 0;
}

bool moxUser::PasswordRequired() {
  return user_ && user_->PasswordRequired();
}
void moxUser::PasswordRequired(bool value) {
  if (!user_) return;
  user_->PasswordRequired(value);
  user_->SetInfo();
}

std::u16string moxUser::Profile() {
  return user_ ? user_->Profile() : u"";
}
void moxUser::Profile(const std::u16string& value) {
  if (!user_) return;
  user_->Profile(Trim(value));
  user_->SetInfo();
}

std::u16string moxUser::Server() {
  return server_name_;
}

bool moxUser::MustChangePasswordNextLogon() {
  if (!user_) return false;
  const Variant value = user_->Get(u"PasswordExpired");
  return Converted(u"MustChangePasswordNextLogon", [&] { return value.ToDouble(); }) != 0.0;
}
void moxUser::MustChangePasswordNextLogon(bool value) {
  if (!user_) return;
  user_->Put(u"PasswordExpired", Variant(int16_t{value ? int16_t{1} : int16_t{0}}));
  user_->SetInfo();
}

std::u16string moxUser::SID() {
  if (!user_) return u"";
  const Variant value = user_->Get(u"ObjectSID");
  return Converted(u"SID", [&] { return SidHex(value); });
}

std::u16string moxUser::UserName() {
  return user_ ? user_->Name() : user_name_;
}

void moxUser::UserName(const std::u16string& value) {
  const std::u16string new_name = Trim(value);
  if (!user_ || new_name.empty()) return;
  try {
    auto container = BindAccountContainer(user_type_, user_->Parent());
    if (!container) return;
    container->MoveHere(user_->ADsPath(), new_name);
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxUser.UserName.put", e);
    return;
  }
  user_name_ = new_name;
  Rebind();
  // The groups collection this object set up still lists the old path; point it at the new.
  if (user_ && (groups_pending_ || (groups_ && groups_ == own_groups_.lock()))) {
    try {
      if (groups_pending_) {
        ScopeGroups(user_->ADsPath());
      } else {
        groups_->SetUserPath(user_->ADsPath());
      }
    } catch (const AutomationError& e) {
      NoteTrapped(u"moxUser.UserName.put", e);
    }
  }
}

moxType moxUser::UserType() {
  return user_type_;
}

bool moxUser::SetPassword(const std::u16string& sPassword) {
  if (!user_) return false;
  try {
    user_->SetPassword(Trim(sPassword));
    return true;
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxUser.SetPassword", e);
    return false;
  }
}

bool moxUser::AddToGroup(std::u16string& sGroup, const std::u16string& sServer) {
  return ChangeMembership(sGroup, sServer, true);
}

bool moxUser::RemoveFromGroup(std::u16string& sGroup, const std::u16string& sServer) {
  return ChangeMembership(sGroup, sServer, false);
}

bool moxUser::ChangeMembership(std::u16string& sGroup, const std::u16string& sServer, bool add) {
  try {
    if (!user_) return false;
    sGroup = Trim(sGroup);
    if (sGroup.empty()) return false;
    // Add takes any non-empty server text, blanks included; Remove ignores an all-blank one.
    const bool server_given = add ? !sServer.empty() : !Trim(sServer).empty();
    std::u16string container;
    if (server_given) {
      if (user_type_ != moxType::moxGlobal) return false;
      container = sServer;
    } else if (IsAccountScope(user_type_)) {
      container = AccountScopeName(user_type_, domain_name_, server_name_);
    } else {
      return false;
    }
    auto group = Bind<IADsGroup>(directory::GroupPath(container, sGroup));
    if (add) {
      group->Add(user_->ADsPath());
    } else {
      group->Remove(user_->ADsPath());
    }
    // Read before it replaces the field, so a failing read leaves Groups scoped as it was.
    ScopeGroups(user_->ADsPath());
    return true;
  } catch (const AutomationError& e) {
    NoteTrapped(add ? u"moxUser.AddToGroup" : u"moxUser.RemoveFromGroup", e);
    return false;
  }
}

bool moxUser::Find(const std::u16string& sUserName, const std::u16string& sParent,
                   moxType lUserType) {
  const std::u16string name = Trim(sUserName);
  const std::u16string parent = Trim(sParent);
  if (name.empty() || parent.empty() || !IsAccountScope(lUserType)) return false;
  try {
    return BindFromProvider(Bind<IADsUser>(directory::UserPath(parent, name)), lUserType);
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxUser.Find", e);
    return false;
  }
}

std::u16string moxUser::ADsPath() {
  return user_ ? user_->ADsPath() : u"";
}

bool moxUser::BindFromProvider(std::shared_ptr<IADsUser> user, moxType type) {
  if (!user) {
    throw AutomationError(errc::kObjectRequired, u"moxUser: no directory user object to bind to");
  }
  const std::u16string parent = NameFromPath(user->Parent());
  std::u16string name = user->Name();
  if (!IsAccountScope(type)) {
    user_name_ = std::move(name);
    DropGroups();
    user_ = nullptr;
    return false;
  }
  // Everything the bind needs is read before any field changes, so a failure leaves the
  // previous binding whole.
  std::u16string path = user->ADsPath();
  user_name_ = std::move(name);
  user_type_ = type;
  (type == moxType::moxGlobal ? domain_name_ : server_name_) = parent;
  user_ = std::move(user);
  ScopeGroups(std::move(path));
  return true;
}

void moxUser::Rebind() {
  const std::u16string& container = AccountScopeName(user_type_, domain_name_, server_name_);
  if (user_name_.empty() || container.empty()) {
    user_ = nullptr;
    return;
  }
  try {
    user_ = Bind<IADsUser>(directory::UserPath(container, user_name_));
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxUser.Rebind", e);
    user_ = nullptr;
  }
}

void moxUser::ScopeGroups(std::u16string user_path) {
  DropGroups();
  if (!IsPlainPath(user_path)) groups_path_ = std::move(user_path);
  groups_pending_ = true;
}

std::u16string moxUser::PlainPath() const {
  return std::u16string(directory::kPathPrefix) +
         AccountScopeName(user_type_, domain_name_, server_name_) + u"/" + user_name_;
}

bool moxUser::IsPlainPath(std::u16string_view path) const {
  // Compared piece by piece, a block of code units at a time: a listing asks this of every member
  // it binds.
  const auto same = [&path](std::size_t at, std::u16string_view piece) {
    return std::memcmp(path.data() + at, piece.data(), piece.size() * sizeof(char16_t)) == 0;
  };
  const std::u16string_view prefix = directory::kPathPrefix;
  const std::u16string_view scope = AccountScopeName(user_type_, domain_name_, server_name_);
  if (path.size() != prefix.size() + scope.size() + 1 + user_name_.size()) return false;
  return same(0, prefix) && same(prefix.size(), scope) &&
         path[prefix.size() + scope.size()] == u'/' &&
         same(prefix.size() + scope.size() + 1, user_name_);
}

void moxUser::DropGroups() {
  groups_ = nullptr;
  own_groups_.reset();
  groups_pending_ = false;
  std::u16string().swap(groups_path_);
}

std::shared_ptr<moxGroups> moxUser::NewGroupsCollection(const std::u16string& user_path) {
  auto groups = moxGroups::Create();
  groups->SetUserPath(user_path);
  return groups;
}

}  // namespace moxtrel
