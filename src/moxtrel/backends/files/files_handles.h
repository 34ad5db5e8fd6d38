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

namespace moxtrel::backends::files {

using Staged = std::vector<std::pair<std::u16string, Variant>>;

std::shared_ptr<directory::IADs> MakeFilesHandle(const ContextPtr& ctx, const Target& target);

class FilesComputer final : public directory::IADsComputer,
                            public directory::IADsComputerOperations {
 public:
  explicit FilesComputer(ContextPtr ctx) : ctx_(std::move(ctx)) {}

  std::u16string Name() override { return ctx_->options().computer; }
  std::u16string Class() override { return u"Computer"; }
  std::u16string GUID() override;
  std::u16string ADsPath() override { return ctx_->ComputerPath(); }
  std::u16string Parent() override { return ctx_->ComputerParent(); }
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override {}

  void Filter(const Variant& class_words) override;
  Variant Filter() override { return filter_; }
  std::unique_ptr<directory::IADsEnum> NewEnum() override;
  std::shared_ptr<directory::IADs> Create(std::u16string_view class_word,
                                          std::u16string_view name) override;
  void Delete(std::u16string_view class_word, std::u16string_view name) override;
  std::shared_ptr<directory::IADs> MoveHere(std::u16string_view source_path,
                                            std::u16string_view new_name) override;

  std::u16string Division() override { return Get(u"Division").ToString(); }
  std::u16string OperatingSystem() override { return Get(u"OperatingSystem").ToString(); }
  std::u16string OperatingSystemVersion() override {
    return Get(u"OperatingSystemVersion").ToString();
  }
  std::u16string Owner() override { return Get(u"Owner").ToString(); }
  std::u16string Processor() override { return Get(u"Processor").ToString(); }
  std::u16string ProcessorCount() override { return Get(u"ProcessorCount").ToString(); }
  void Shutdown(bool reboot) override;

 private:
  ContextPtr ctx_;
  Variant filter_;
  bool list_users_ = true, list_groups_ = true;
};

class FilesUser final : public directory::IADsUser {
 public:
  FilesUser(ContextPtr ctx, std::string name, bool pending = false)
      : ctx_(std::move(ctx)), name_(std::move(name)), pending_(pending) {}

  std::u16string Name() override;
  std::u16string Class() override { return u"User"; }
  std::u16string GUID() override;
  std::u16string ADsPath() override { return ctx_->AccountPath(name_); }
  std::u16string Parent() override { return ctx_->ComputerPath(); }
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override;

  bool AccountDisabled() override { return Get(u"AccountDisabled").ToBool(); }
  void AccountDisabled(bool v) override { Put(u"AccountDisabled", Variant::Boolean(v)); }
  Date AccountExpirationDate() override { return Get(u"AccountExpirationDate").ToDate(); }
  void AccountExpirationDate(Date v) override { Put(u"AccountExpirationDate", v); }
  bool IsAccountLocked() override { return Get(u"IsAccountLocked").ToBool(); }
  void IsAccountLocked(bool v) override { Put(u"IsAccountLocked", Variant::Boolean(v)); }
  std::u16string Description() override { return Get(u"Description").ToString(); }
  void Description(std::u16string_view v) override { PutText(u"Description", v); }
  std::u16string FullName() override { return Get(u"FullName").ToString(); }
  void FullName(std::u16string_view v) override { PutText(u"FullName", v); }
  std::u16string HomeDirectory() override { return Get(u"HomeDirectory").ToString(); }
  void HomeDirectory(std::u16string_view v) override { PutText(u"HomeDirectory", v); }
  Date LastLogin() override { return Get(u"LastLogin").ToDate(); }
  Date LastLogoff() override { return Get(u"LastLogoff").ToDate(); }
  std::u16string LoginScript() override { return Get(u"LoginScript").ToString(); }
  void LoginScript(std::u16string_view v) override { PutText(u"LoginScript", v); }
  int32_t MaxStorage() override { return Get(u"MaxStorage").ToLong(); }
  void MaxStorage(int32_t v) override { Put(u"MaxStorage", Variant(v)); }
  Date PasswordExpirationDate() override { return Get(u"PasswordExpirationDate").ToDate(); }
  void PasswordExpirationDate(Date v) override { Put(u"PasswordExpirationDate", v); }
  int32_t PasswordMinimumLength() override { return Get(u"PasswordMinimumLength").ToLong(); }
  bool PasswordRequired() override { return Get(u"PasswordRequired").ToBool(); }
  void PasswordRequired(bool v) override { Put(u"PasswordRequired", Variant::Boolean(v)); }
  std::u16string Profile() override { return Get(u"Profile").ToString(); }
  void Profile(std::u16string_view v) override { PutText(u"Profile", v); }
  std::shared_ptr<directory::IADsMembers> Groups() override;
  void SetPassword(std::u16string_view password) override;

 private:
  void PutText(std::u16string_view name, std::u16string_view v) {
    Put(name, Variant(std::u16string(v)));
  }
  // The user's record as the files hold it now (a template while pending), staged puts applied.
  UserRecord Record(const Settings& login_defs);
  void RequireCreated() const;

  ContextPtr ctx_;
  std::string name_;
  bool pending_;
  Staged staged_;
};

class FilesGroup final : public directory::IADsGroup {
 public:
  FilesGroup(ContextPtr ctx, std::string name, bool pending = false)
      : ctx_(std::move(ctx)), name_(std::move(name)), pending_(pending) {}

  std::u16string Name() override;
  std::u16string Class() override { return u"Group"; }
  std::u16string GUID() override;
  std::u16string ADsPath() override { return ctx_->AccountPath(name_); }
  std::u16string Parent() override { return ctx_->ComputerPath(); }
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override;

  std::u16string Description() override { return Get(u"Description").ToString(); }
  void Description(std::u16string_view v) override {
    Put(u"Description", Variant(std::u16string(v)));
  }
  std::shared_ptr<directory::IADsMembers> Members() override;
  bool IsMember(std::u16string_view path) override;
  void Add(std::u16string_view path) override;
  void Remove(std::u16string_view path) override;

 private:
  GroupRecord Record();
  void RequireCreated() const;
  // The user a member path names; errc::kInvalidMember for anything else.
  std::string MemberUser(std::u16string_view path);

  ContextPtr ctx_;
  std::string name_;
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

// Walks a list of accounts taken when the walk began.
class FilesEnum final : public directory::IADsEnum {
 public:
  FilesEnum(ContextPtr ctx, std::vector<Target> targets)
      : ctx_(std::move(ctx)), targets_(std::move(targets)) {}
  std::shared_ptr<directory::IADs> Next() override;

 private:
  ContextPtr ctx_;
  std::vector<Target> targets_;
  std::size_t pos_ = 0;
};

}  // namespace moxtrel::backends::files
