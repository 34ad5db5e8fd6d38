// Handles the LDAP provider hands out: the domain (a container of users, groups and
// computers), its users, groups and computers, and their member lists. A handle holds the
// account's name and DN and reads its entry once when a property is first asked for; puts are
// staged on a working copy of the entry until SetInfo sends the changed attributes in one
// modify (or the whole entry in one add for a new account).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "moxtrel/backends/ldap/ldap_context.h"
#include "moxtrel/directory/ads.h"

namespace moxtrel::backends::ldap {

std::shared_ptr<directory::IADs> MakeLdapHandle(const ContextPtr& ctx, const Target& target);

// State shared by the account handles: the entry as read and the working copy puts change.
class LdapAccount {
 protected:
  LdapAccount(ContextPtr ctx, Target target, bool pending)
      : ctx_(std::move(ctx)), target_(std::move(target)), pending_(pending) {}
  const LdapEntry& Current();  // the working copy, read on first use
  Variant GetProperty(std::u16string_view name);
  void PutProperty(std::u16string_view name, const Variant& value);
  void Commit(const std::vector<LdapChange>& new_entry_attrs);
  void RequireCreated() const;
  std::u16string Path() const { return ctx_->AccountPath(target_.name); }

  ContextPtr ctx_;
  Target target_;
  bool pending_;
  std::optional<LdapEntry> read_, work_;
};

class LdapDomain final : public directory::IADsDomain {
 public:
  explicit LdapDomain(ContextPtr ctx) : ctx_(std::move(ctx)) {}
  std::u16string Name() override { return ctx_->options().domain; }
  std::u16string Class() override { return u"Domain"; }
  std::u16string GUID() override { return u""; }
  std::u16string ADsPath() override { return ctx_->DomainPath(); }
  std::u16string Parent() override { return u"WinNT:"; }
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

 private:
  ContextPtr ctx_;
  Variant filter_;
  bool users_ = true, groups_ = true, computers_ = true;
};

class LdapUser final : public directory::IADsUser, LdapAccount {
 public:
  LdapUser(ContextPtr ctx, Target t, bool pending = false)
      : LdapAccount(std::move(ctx), std::move(t), pending) {}
  std::u16string Name() override { return FromName(); }
  std::u16string Class() override { return u"User"; }
  std::u16string GUID() override { return u""; }
  std::u16string ADsPath() override { return Path(); }
  std::u16string Parent() override { return ctx_->DomainPath(); }
  Variant Get(std::u16string_view name) override { return GetProperty(name); }
  void Put(std::u16string_view name, const Variant& value) override { PutProperty(name, value); }
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
  std::u16string FromName() const;
  void PutText(std::u16string_view name, std::u16string_view v) {
    Put(name, Variant(std::u16string(v)));
  }
};

class LdapGroup final : public directory::IADsGroup, LdapAccount {
 public:
  LdapGroup(ContextPtr ctx, Target t, bool pending = false)
      : LdapAccount(std::move(ctx), std::move(t), pending) {}
  std::u16string Name() override;
  std::u16string Class() override { return u"Group"; }
  std::u16string GUID() override { return u""; }
  std::u16string ADsPath() override { return Path(); }
  std::u16string Parent() override { return ctx_->DomainPath(); }
  Variant Get(std::u16string_view name) override { return GetProperty(name); }
  void Put(std::u16string_view name, const Variant& value) override { PutProperty(name, value); }
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
  Target MemberUser(std::u16string_view path);
  std::vector<LdapChange> MemberChange(int op, const Target& user);
};

class LdapComputer final : public directory::IADsComputer, LdapAccount {
 public:
  LdapComputer(ContextPtr ctx, Target t) : LdapAccount(std::move(ctx), std::move(t), false) {}
  std::u16string Name() override;
  std::u16string Class() override { return u"Computer"; }
  std::u16string GUID() override { return u""; }
  std::u16string ADsPath() override { return Path(); }
  std::u16string Parent() override { return ctx_->DomainPath(); }
  Variant Get(std::u16string_view name) override { return GetProperty(name); }
  void Put(std::u16string_view name, const Variant& value) override { PutProperty(name, value); }
  void SetInfo() override { Commit({}); }
  void Filter(const Variant& class_words) override { filter_ = class_words; }
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

 private:
  [[noreturn]] void NoAccounts(std::u16string_view what);
  Variant filter_;
};

// A group's members or a user's groups, searched afresh at each NewEnum.
class LdapMembers final : public directory::IADsMembers {
 public:
  LdapMembers(ContextPtr ctx, Target owner) : ctx_(std::move(ctx)), owner_(std::move(owner)) {}
  std::unique_ptr<directory::IADsEnum> NewEnum() override;

 private:
  ContextPtr ctx_;
  Target owner_;
};

// Walks targets found when the walk began.
class LdapEnum final : public directory::IADsEnum {
 public:
  LdapEnum(ContextPtr ctx, std::vector<Target> targets)
      : ctx_(std::move(ctx)), targets_(std::move(targets)) {}
  std::shared_ptr<directory::IADs> Next() override;

 private:
  ContextPtr ctx_;
  std::vector<Target> targets_;
  std::size_t pos_ = 0;
};

}  // namespace moxtrel::backends::ldap
