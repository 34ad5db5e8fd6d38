// AccountCollection: what moxUsers and moxGroups share, the scope their listing is chosen by.
// Owners (moxDomain, moxServer, moxGroup, moxUser) set it through the library-internal friend
// setters; each stores its argument (names trimmed) and makes the collection stale.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "moxtrel/accounts/account_container.h"
#include "moxtrel/frame/keyed_collection.h"
#include "moxtrel/frame/text.h"

namespace moxtrel {

template <class Member>
class AccountCollection : public KeyedCollection<std::shared_ptr<Member>> {
 protected:
  AccountCollection()
      : KeyedCollection<std::shared_ptr<Member>>(/*needs_refresh=*/true, /*create_store=*/true) {}

  void SetDomainName(const std::u16string& value) {
    domain_name_ = Trim(value);
    this->MarkStale();
  }
  void SetServerName(const std::u16string& value) {
    server_name_ = Trim(value);
    this->MarkStale();
  }
  void SetGroupName(const std::u16string& value) {
    group_name_ = Trim(value);
    this->MarkStale();
  }
  // Unchecked: any type but 1 and 2 leaves the scope incomplete.
  void SetAccountType(int32_t value) {
    account_type_ = value;
    this->MarkStale();
  }

  // The domain name for global accounts, the server name for local ones; "" when the scope
  // is incomplete.
  const std::u16string& ScopeName() const {
    return AccountScopeName(account_type_, domain_name_, server_name_);
  }

  std::u16string domain_name_;
  std::u16string server_name_;
  int32_t account_type_ = 0;
  std::u16string group_name_;
};

}  // namespace moxtrel
