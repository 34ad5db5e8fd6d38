// Where accounts of a scope live: the domain holds global accounts, the computer local ones.
// Shared by the account classes so each binds the container the same way.
//
//   const std::u16string& scope = AccountScopeName(scope_type, domain_name, server_name);
//   if (!scope.empty()) BindAccountContainer(scope_type, ScopePath(scope))->Delete(u"user", name);
#pragma once

#include <memory>
#include <string>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/enums.h"

namespace moxtrel {

// An account scope is global (the domain's accounts) or local (a computer's); any other value
// (a client's bad number, or "not set yet") leaves the scope incomplete.
constexpr bool IsAccountScope(moxType scope) noexcept {
  return scope == moxType::moxGlobal || scope == moxType::moxLocal;
}

// The domain name for a global scope, the server name for a local one, "" for any other.
inline const std::u16string& AccountScopeName(moxType scope, const std::u16string& domain,
                                              const std::u16string& server) {
  static const std::u16string kNone;
  return scope == moxType::moxGlobal ? domain : scope == moxType::moxLocal ? server : kNone;
}

// Binds `path` (no class word) as a domain for a global scope or a computer for a local one;
// nullptr for any other.
std::shared_ptr<directory::IADsContainer> BindAccountContainer(moxType scope,
                                                               const std::u16string& path);

}  // namespace moxtrel
