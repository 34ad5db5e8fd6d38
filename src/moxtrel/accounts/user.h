// moxUser: a view of one user account, global (of a domain) or local (of a computer). Every
// property read or write goes straight to the directory; writes are committed at once.
//
//   auto user = moxUser::Create();
//   if (user->Find(u"alice", u"CORP", moxType::moxGlobal)) {
//     user->FullName(u"Alice Liddell");
//     std::u16string group = u" Staff ";
//     user->AddToGroup(group);             // group now holds u"Staff"
//     int32_t n = user->Groups()->Count();  // the groups she belongs to
//   }
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/date.h"
#include "moxtrel/frame/enums.h"
#include "moxtrel/frame/object.h"

namespace moxtrel {

class moxGroups;
class moxUsers;

class moxUser final : public AutomationObject {
 public:
  static std::shared_ptr<moxUser> Create();
  std::u16string_view TypeName() const noexcept override { return u"moxUser"; }

  // The groups the account belongs to; no object before the first bind.
  std::shared_ptr<moxGroups> Groups();
  void Groups(std::shared_ptr<moxGroups> value);

  bool AccountDisabled();
  void AccountDisabled(bool value);
  // A failing read gives the empty date rather than an error.
  Date AccountExpirationDate();
  void AccountExpirationDate(Date value);
  bool AccountLocked();
  // Only unlocking is possible; True does nothing.
  void AccountLocked(bool value);
  std::u16string Description();
  void Description(const std::u16string& value);
  std::u16string Domain();
  bool Exists();
  std::u16string FullName();
  void FullName(const std::u16string& value);
  std::u16string GUID();
  std::u16string HomeDirDrive();
  void HomeDirDrive(const std::u16string& value);
  std::u16string HomeDirectory();
  void HomeDirectory(const std::u16string& value);
  Date LastLogin();
  Date LastLogoff();
  std::u16string LoginScript();
  void LoginScript(const std::u16string& value);
  int32_t MaxStorage();
  void MaxStorage(int32_t value);
  Date PasswordAge();
  bool PasswordCantChange();
  void PasswordCantChange(bool value);
  bool PasswordDoesntExpire();
  void PasswordDoesntExpire(bool value);
  Date PasswordExpirationDate();
  void PasswordExpirationDate(Date value);
  Date PasswordExpired();
  int32_t PasswordMinimumLength();
  bool PasswordRequired();
  void PasswordRequired(bool value);
  std::u16string Profile();
  void Profile(const std::u16string& value);
  std::u16string Server();
  bool MustChangePasswordNextLogon();
  void MustChangePasswordNextLogon(bool value);
  // The security identifier as upper-case hexadecimal, two digits a byte.
  std::u16string SID();
  std::u16string UserName();
  // Renames the account in the directory; failures are silent.
  void UserName(const std::u16string& value);
  moxType UserType();

  bool SetPassword(const std::u16string& sPassword);
  // sGroup is written back trimmed. sServer names another server's group (global accounts only).
  bool AddToGroup(std::u16string& sGroup, const std::u16string& sServer = u"");
  bool RemoveFromGroup(std::u16string& sGroup, const std::u16string& sServer = u"");
  bool Find(const std::u16string& sUserName, const std::u16string& sParent, moxType lUserType);

 private:
  // Lets Create make the object and its count in one allocation while only Create can make one.
  struct Key {
    explicit Key() = default;
  };

 public:
  explicit moxUser(Key) {}

 private:
  friend class moxUsers;

  std::u16string ADsPath();
  bool BindFromProvider(std::shared_ptr<directory::IADsUser> user, moxType type);
  void Rebind();
  bool ChangeMembership(std::u16string& sGroup, const std::u16string& sServer, bool add);
  std::shared_ptr<moxGroups> NewGroupsCollection(const std::u16string& user_path);
  void ScopeGroups(std::u16string user_path);
  std::u16string PlainPath() const;
  // True when `path` is PlainPath(), without building it.
  bool IsPlainPath(std::u16string_view path) const;
  void DropGroups();
  int32_t Flags();
  bool UserFlag(int32_t mask);
  void UserFlag(int32_t mask, bool value);

  std::shared_ptr<moxGroups> groups_;
  // The collection this object set up, so a rename re-scopes only that one.
  std::weak_ptr<moxGroups> own_groups_;
  // A listing binds every account, so the collection a bind sets up is made when Groups is
  // first read; until then only the user path it will list is kept, and not even that when it
  // is the plain "WinNT://scope/name" of this account.
  std::u16string groups_path_;
  bool groups_pending_ = false;
  moxType user_type_{};  // not a scope until bound
  std::u16string domain_name_;
  std::u16string server_name_;
  std::u16string user_name_;
  // Held exactly while the object is bound.
  std::shared_ptr<directory::IADsUser> user_;
};

}  // namespace moxtrel
