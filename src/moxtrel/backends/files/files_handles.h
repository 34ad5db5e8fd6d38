// Handles the files provider hands out: the computer (a container of users then groups), its
// users and its groups, and their member lists. A handle holds a name, not a copy of the
// files: a property read looks at the files as they are now, and puts are staged in the
// handle until SetInfo writes them in one rewrite of the affected files. The one exception is
// a handle a listing made: its first read is served from the files as the listing checked
// them (the listing shares them, parsed once), since reading the entry then is what the
// listing would have done; every later call looks at the files again.
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

// The files a listing checked, shared by the handles it made (one copy of every entry).
using ListedFiles = std::shared_ptr<const AccountView>;
// Where a listing found an account: its files and the entry's line in passwd or group.
struct Listed {
  ListedFiles files;
  std::size_t entry = 0;
};

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
  FilesUser(ContextPtr ctx, std::string name, bool pending = false, Listed listed = {});

  std::u16string GUID() override;
  std::u16string Name() override { return AccountName(name_); }
  std::u16string ADsPath() override { return ctx_->AccountPath(name_); }
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

  bool pending_;
  Listed listed_;  // until the first call that looks at the files
  Staged staged_;
};

class FilesGroup final : public directory::GroupProperties, public FilesAccount {
 public:
  FilesGroup(ContextPtr ctx, std::string name, bool pending = false, Listed listed = {})
      : FilesAccount(std::move(ctx), directory::ObjectKind::kGroup, std::move(name)),
        pending_(pending),
        listed_(std::move(listed)) {}

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
  Listed listed_;  // until the first call that looks at the files
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
