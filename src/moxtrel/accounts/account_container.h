// Where accounts of a scope live: the domain holds global accounts, the computer local ones.
// Shared by the account classes so each binds the container the same way.
//
//   const std::u16string scope = AccountScopeName(type, domain_name, server_name);
//   if (!scope.empty()) BindAccountContainer(type, u"WinNT://" + scope)->Delete(u"user", name);
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "moxtrel/directory/ads.h"

namespace moxtrel {

// The domain name for type 2, the server name for type 1, and "" for any other type.
inline const std::u16string& AccountScopeName(int32_t account_type, const std::u16string& domain,
                                              const std::u16string& server) {
  static const std::u16string kNone;
  return account_type == 2 ? domain : account_type == 1 ? server : kNone;
}

// Binds `path` (no class word) as a domain for type 2 or a computer for type 1; nullptr for
// any other type.
std::shared_ptr<directory::IADsContainer> BindAccountContainer(int32_t account_type,
                                                               const std::u16string& path);

}  // namespace moxtrel
