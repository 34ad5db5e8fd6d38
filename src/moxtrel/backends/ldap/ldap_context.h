// LdapContext: what the LDAP provider and every handle it gives out share: the options, the
// connection, the DNs of the containers, the canonical paths, and the lookups of an account
// by name (always through an escaped filter, never a pattern).
//
//   Target t = ctx->Resolve(u"WinNT://CORP/Alice,user");  // {kUser, "alice", "uid=alice,..."}
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "moxtrel/backends/ldap/ldap_connection.h"
#include "moxtrel/directory/path.h"

namespace moxtrel::backends::ldap {

struct Target {
  directory::ObjectKind kind;
  std::string name;  // as the directory spells it; empty for the domain
  std::string dn;
};

class LdapContext {
 public:
  explicit LdapContext(LdapOptions options);

  const LdapOptions& options() const noexcept { return options_; }
  LdapConnection& conn() noexcept { return conn_; }

  const std::u16string& DomainPath() const noexcept { return domain_path_; }
  std::u16string AccountPath(std::string_view name) const;
  // ou=People,<base> and so on.
  std::string ContainerDn(directory::ObjectKind kind) const;
  // The DN a new account of `kind` named `name` gets.
  std::string NewDn(directory::ObjectKind kind, std::string_view name) const;
  // "(&(objectClass=posixAccount)(uid=<escaped>))" and so on; an empty name matches all.
  std::string Filter(directory::ObjectKind kind, std::string_view name) const;
  // The attribute that names an account of `kind`.
  static const char* NamingAttribute(directory::ObjectKind kind) noexcept;

  // The entry of the account, or nullopt; several entries with the name are an error.
  std::optional<LdapEntry> Find(directory::ObjectKind kind, std::string_view name,
                                const std::vector<std::string>& attrs);
  // The name the entry spells (the RDN's value).
  std::string NameOf(directory::ObjectKind kind, const LdapEntry& e) const;

  // The object a path names; errc::kNoSuchObject for a path of another domain, of a kind this
  // backend does not hold, or of an account the directory does not list.
  Target Resolve(std::u16string_view path);

  // One above the highest uidNumber (gidNumber) in use, and at least the configured first.
  uint32_t NextId(directory::ObjectKind kind);

 private:
  LdapOptions options_;
  LdapConnection conn_;
  std::u16string domain_path_;
};

using ContextPtr = std::shared_ptr<LdapContext>;

}  // namespace moxtrel::backends::ldap
