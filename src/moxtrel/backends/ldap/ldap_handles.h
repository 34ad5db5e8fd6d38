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
#include "moxtrel/directory/class_filter.h"
#include "moxtrel/directory/typed_properties.h"

namespace moxtrel::backends::ldap {

std::shared_ptr<directory::IADs> MakeLdapHandle(const ContextPtr& ctx, Target target);

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
  std::u16string Parent() override { return std::u16string(directory::kNamespacePath); }
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override {}
  void Filter(const Variant& class_words) override;
  Variant Filter() override { return filter_.value(); }
  std::unique_ptr<directory::IADsEnum> NewEnum() override;
  std::shared_ptr<directory::IADs> Create(std::u16string_view class_word,
                                          std::u16string_view name) override;
  void Delete(std::u16string_view class_word, std::u16string_view name) override;
  std::shared_ptr<directory::IADs> MoveHere(std::u16string_view source_path,
                                            std::u16string_view new_name) override;

 private:
  // The domain object's policy attributes (dc), or an empty entry (rfc2307).
  LdapEntry Policy();

  ContextPtr ctx_;
  directory::ClassFilter filter_;
};

class LdapUser final : public directory::UserProperties, LdapAccount {
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

  std::shared_ptr<directory::IADsMembers> Groups() override;
  void SetPassword(std::u16string_view password) override;

 private:
  std::u16string FromName() const;
};

class LdapGroup final : public directory::GroupProperties, LdapAccount {
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
  std::shared_ptr<directory::IADsMembers> Members() override;
  bool IsMember(std::u16string_view path) override;
  void Add(std::u16string_view path) override;
  void Remove(std::u16string_view path) override;

 private:
  Target MemberUser(std::u16string_view path);
  std::vector<LdapChange> MemberChange(int op, const Target& user);
};

class LdapComputer final : public directory::ComputerProperties, LdapAccount {
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
  void Filter(const Variant& class_words) override {
    filter_.Set(class_words, u"Filter of " + Path());
  }
  Variant Filter() override { return filter_.value(); }
  std::unique_ptr<directory::IADsEnum> NewEnum() override;
  std::shared_ptr<directory::IADs> Create(std::u16string_view class_word,
                                          std::u16string_view name) override;
  void Delete(std::u16string_view class_word, std::u16string_view name) override;
  std::shared_ptr<directory::IADs> MoveHere(std::u16string_view source_path,
                                            std::u16string_view new_name) override;

 private:
  [[noreturn]] void NoAccounts(std::u16string_view what);
  directory::ClassFilter filter_;
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

}  // namespace moxtrel::backends::ldap
