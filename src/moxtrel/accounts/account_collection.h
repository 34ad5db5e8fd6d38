// AccountCollection: what moxUsers and moxGroups share, the scope their listing is chosen by.
// Owners (moxDomain, moxServer, moxGroup) build one through the library-internal Scoped
// factory, which trims the names; a new collection lists on first read.
//
//   users_ = moxUsers::Scoped(moxType::moxGlobal, domain_name);          // the domain's users
//   groups_ = moxGroups::Scoped(moxType::moxLocal, server_name, group);  // a local group's groups
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "moxtrel/accounts/account_container.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/enums.h"
#include "moxtrel/frame/keyed_collection.h"
#include "moxtrel/frame/text.h"

namespace moxtrel {

template <class Self, class Member>
class AccountCollection : public KeyedCollection<std::shared_ptr<Member>> {
 protected:
  AccountCollection()
      : KeyedCollection<std::shared_ptr<Member>>(/*needs_refresh=*/true, /*create_store=*/true) {}

  // A new collection of the accounts of `scope` held by `container` (the domain for a global
  // scope, the server for a local one), or the members of the group `group_name` there.
  static std::shared_ptr<Self> Scoped(moxType scope, const std::u16string& container,
                                      const std::u16string& group_name = {}) {
    std::shared_ptr<Self> collection = Self::Create();
    AccountCollection& base = *collection;
    (scope == moxType::moxGlobal ? base.domain_name_ : base.server_name_) = Trim(container);
    base.account_type_ = scope;
    base.group_name_ = Trim(group_name);
    return collection;
  }

  // The domain name for global accounts, the server name for local ones; "" when the scope
  // is incomplete.
  const std::u16string& ScopeName() const {
    return AccountScopeName(account_type_, domain_name_, server_name_);
  }

  // Takes a member out of the scope: out of the listed group when there is one (the member's
  // path read once the group is bound), else deletes the account from the domain or computer
  // (its name read once the container is bound). False when the scope is incomplete.
  template <class Path, class Name>
  bool RemoveFromScope(std::u16string_view class_word, Path member_path, Name member_name) {
    const std::u16string& scope = ScopeName();
    if (scope.empty()) return false;
    if (!group_name_.empty()) {
      auto group = directory::Bind<directory::IADsGroup>(directory::GroupPath(scope, group_name_));
      group->Remove(member_path());
    } else {
      BindAccountContainer(account_type_, directory::ScopePath(scope))
          ->Delete(class_word, member_name());
    }
    return true;
  }

  std::u16string domain_name_;
  std::u16string server_name_;
  moxType account_type_{};  // not a scope until set
  std::u16string group_name_;
};

}  // namespace moxtrel
