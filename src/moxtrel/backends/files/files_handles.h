// Handles the files provider hands out: the computer (a container of users then groups), its
// users and its groups, and their member lists. A handle holds a name, not a copy of the
// files: every property read looks at the files as they are now, and puts are staged in the
// handle until SetInfo writes them in one rewrite of the affected files.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "moxtrel/backends/files/account_mapping.h"
#include "moxtrel/backends/files/files_context.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/directory/backend_computer.h"
#include "moxtrel/directory/backend_handle.h"
#include "moxtrel/directory/typed_properties.h"

namespace moxtrel::backends::files {

using Staged = std::vector<std::pair<std::u16string, Variant>>;

std::shared_ptr<directory::IADs> MakeFilesHandle(const ContextPtr& ctx, const Target& target);

class FilesComputer final
    : public directory::ContextComputer<FilesContext, directory::BackendComputer>,
      public directory::IADsComputerOperations {
 public:
  explicit FilesComputer(ContextPtr ctx) : ContextComputer(std::move(ctx)) {}

  std::u16string GUID() override;
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override {}

  MOX_CONTAINER_MEMBERS

  void Shutdown(bool reboot) override;
};

// A user or a group: an account the computer holds by name.
using FilesAccount = directory::NamedHandle<FilesContext, &FilesContext::ComputerPath>;

class FilesUser final : public directory::UserProperties, public FilesAccount {
 public:
  FilesUser(ContextPtr ctx, std::string name, bool pending = false)
      : FilesAccount(std::move(ctx), directory::ObjectKind::kUser, std::move(name)),
        path_(ctx_->AccountPath(name_)),
        pending_(pending) {}

  std::u16string GUID() override;
  std::u16string ADsPath() override { return path_; }
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override;

  std::shared_ptr<directory::IADsMembers> Groups() override;
  void SetPassword(std::u16string_view password) override;

 private:
  // The user's record as the files hold it now (a template while pending), staged puts applied.
  // Without `with_shadow` only passwd is looked at (while nothing is staged) and the record has
  // no shadow entry.
  UserRecord Record(const Settings* login_defs, bool with_shadow);
  void RequireCreated() const;

  std::u16string path_;  // made once: every read names the object in its messages
  bool pending_;
  Staged staged_;
};

class FilesGroup final : public directory::GroupProperties, public FilesAccount {
 public:
  FilesGroup(ContextPtr ctx, std::string name, bool pending = false)
      : FilesAccount(std::move(ctx), directory::ObjectKind::kGroup, std::move(name)),
        pending_(pending) {}

  std::u16string GUID() override;
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override;

  std::shared_ptr<directory::IADsMembers> Members() override;
  bool IsMember(std::u16string_view path) override;
  void Add(std::u16string_view path) override;
  void Remove(std::u16string_view path) override;

 private:
  GroupRecord Record();
  void RequireCreated() const;
  // The user a member path names; errc::kInvalidMember for anything else.
  std::string MemberUser(std::u16string_view path, const AccountView& files);

  bool pending_;
  Staged staged_;
};

// A group's members (its member list, then the users whose primary group it is) or a user's
// groups (the groups listing it, and its primary group), read afresh at each NewEnum.
class FilesMembers final : public directory::IADsMembers {
 public:
  FilesMembers(ContextPtr ctx, std::string owner, bool groups_of_user)
      : ctx_(std::move(ctx)), owner_(std::move(owner)), groups_of_user_(groups_of_user) {}
  std::unique_ptr<directory::IADsEnum> NewEnum() override;

 private:
  ContextPtr ctx_;
  std::string owner_;
  bool groups_of_user_;
};

}  // namespace moxtrel::backends::files
