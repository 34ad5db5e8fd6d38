// Handles the LDAP provider hands out: the domain (a container of users, groups and
// computers), its users, groups and computers, and their member lists. A handle holds the
// account's name and DN; a member of a listing also holds the attributes the listing brought
// (packed) and reads from them, while a handle bound by its path reads its entry once when a
// property is first asked for. Puts are staged on a working copy of the entry, made at the
// first put, until SetInfo sends the changed attributes in one modify (or the whole entry in
// one add for a new account).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "moxtrel/backends/ldap/ldap_context.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/directory/backend_handle.h"
#include "moxtrel/directory/filtered_container.h"
#include "moxtrel/directory/typed_properties.h"

namespace moxtrel::backends::ldap {

std::shared_ptr<directory::IADs> MakeLdapHandle(const ContextPtr& ctx, Target target);

// State shared by the account handles: the entry as read and the working copy puts change.
class LdapAccount : public directory::PlacedHandle<LdapContext, &LdapContext::DomainPath> {
 public:
  std::u16string Name() override { return FromUtf8(target_.name); }
  Variant Get(std::u16string_view name) override { return GetProperty(name); }
  void Put(std::u16string_view name, const Variant& value) override { PutProperty(name, value); }

 protected:
  LdapAccount(ContextPtr ctx, Target target, bool pending)
      : PlacedHandle(std::move(ctx), target.kind), target_(std::move(target)), pending_(pending) {}
  const LdapEntry& Read();     // the entry as the server holds it: listed, or read on first use
  const LdapEntry& Current();  // the working copy while puts are staged, else Read()
  void Forget();               // drops what was read and staged: the next read asks the server
  Variant GetProperty(std::u16string_view name);
  void PutProperty(std::u16string_view name, const Variant& value);
  void Commit(const std::vector<LdapChange>& new_entry_attrs);
  void RequireCreated() const;
  std::u16string Path() const { return ctx_->AccountPath(target_.name); }

  Target target_;
  bool pending_;
  // Held apart, made at the first read: a listed member that is only read keeps none.
  struct Entries {
    std::optional<LdapEntry> read;
    std::optional<LdapEntry> work;  // only while puts are staged
  };
  Entries& State();
  bool Loaded() const noexcept { return state_ && (state_->read || state_->work); }

  std::unique_ptr<Entries> state_;
};

class LdapDomain final : public directory::IADsDomain,
                         public directory::BackendHandle<LdapContext>,
                         public directory::FilteredContainer {
 public:
  explicit LdapDomain(ContextPtr ctx)
      : BackendHandle(std::move(ctx), directory::ObjectKind::kDomain) {}
  std::u16string Name() override { return ctx_->options().domain; }
  std::u16string ADsPath() override { return ctx_->DomainPath(); }
  std::u16string Parent() override { return std::u16string(directory::kNamespacePath); }
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override {}
  MOX_CONTAINER_MEMBERS

 private:
  // The domain object's policy attributes (dc), or an empty entry (rfc2307).
  LdapEntry Policy();
};

class LdapUser final : public directory::UserProperties, public LdapAccount {
 public:
  LdapUser(ContextPtr ctx, Target t, bool pending = false)
      : LdapAccount(std::move(ctx), std::move(t), pending) {}
  void SetInfo() override;

  std::shared_ptr<directory::IADsMembers> Groups() override;
  void SetPassword(std::u16string_view password) override;
};

class LdapGroup final : public directory::GroupProperties, public LdapAccount {
 public:
  LdapGroup(ContextPtr ctx, Target t, bool pending = false)
      : LdapAccount(std::move(ctx), std::move(t), pending) {}
  void SetInfo() override;
  std::shared_ptr<directory::IADsMembers> Members() override;
  bool IsMember(std::u16string_view path) override;
  void Add(std::u16string_view path) override;
  void Remove(std::u16string_view path) override;

 private:
  Target MemberUser(std::u16string_view path);
  std::vector<LdapChange> MemberChange(int op, const Target& user);
};

class LdapComputer final : public directory::ComputerProperties,
                           public LdapAccount,
                           public directory::FilteredContainer {
 public:
  LdapComputer(ContextPtr ctx, Target t) : LdapAccount(std::move(ctx), std::move(t), false) {}
  void SetInfo() override { Commit({}); }
  MOX_CONTAINER_MEMBERS

 private:
  [[noreturn]] void NoAccounts(std::u16string_view what);
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
