// LdapContext: what the LDAP provider and every handle it gives out share: the options, the
// connection, where the schema profile keeps and names accounts, the canonical paths, and the
// lookups of an account by name (always through an escaped filter, never a pattern).
//
// rfc2307: accounts are found anywhere below their container (ou=People, ou=Groups,
// ou=Computers) and are named by their RDN (uid, cn); new ones go right below it. dc: accounts
// are found anywhere below the base and named by sAMAccountName (a computer's ends in "$", which
// its name leaves out); new ones go into cn=Users.
//
//   Target t = ctx->Resolve(u"WinNT://CORP/Alice,user");  // {kUser, "alice", "uid=alice,..."}
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/backends/ldap/ldap_connection.h"
#include "moxtrel/directory/path.h"

namespace moxtrel::backends::ldap {

struct Target {
  Target() = default;
  Target(directory::ObjectKind k, std::string n, std::string d, PackedEntry e = {})
      : kind(k), name(std::move(n)), dn(std::move(d)), listed(std::move(e)) {}

  directory::ObjectKind kind = directory::ObjectKind::kDomain;
  std::string name;  // as the directory spells it; empty for the domain
  std::string dn;
  PackedEntry listed;  // the attributes a listing brought; empty when not listed
};

class LdapContext {
 public:
  explicit LdapContext(LdapOptions options);

  const LdapOptions& options() const noexcept { return options_; }
  LdapConnection& conn() noexcept { return conn_; }

  const std::u16string& DomainPath() const noexcept { return domain_path_; }
  std::u16string AccountPath(std::string_view name) const;
  bool Dc() const noexcept { return options_.schema == LdapSchema::kDc; }
  // Where new accounts of `kind` go: ou=People,<base> (rfc2307), cn=Users,<base> (dc), ...
  std::string ContainerDn(directory::ObjectKind kind) const;
  // Where accounts of `kind` are searched, and how deep.
  const std::string& SearchBase(directory::ObjectKind kind) const;
  SearchScope Scope() const noexcept;
  // The DN a new account of `kind` named `name` gets.
  std::string NewDn(directory::ObjectKind kind, std::string_view name) const;
  // The DN the account `t` gets when renamed to `name` (rfc2307): beside its old one.
  std::string RenamedDn(const Target& t, std::string_view name) const;
  // "(&(objectClass=posixAccount)(uid=<escaped>))" and so on; an empty name matches all.
  std::string Filter(directory::ObjectKind kind, std::string_view name) const;
  // The attribute that names an account of `kind`.
  const char* NamingAttribute(directory::ObjectKind kind) const noexcept;
  // The attribute of a group that lists its members: memberUid (names) or member (DNs).
  const char* MemberAttribute() const noexcept { return Dc() ? "member" : "memberUid"; }
  // The value of MemberAttribute() that stands for `user`.
  const std::string& MemberValue(const Target& user) const noexcept;
  // The RDN a renamed account gets (rfc2307; a dc account keeps its DN).
  std::string NewRdn(directory::ObjectKind kind, std::string_view name) const;

  // The entry of the account, or nullopt; several entries with the name are an error naming
  // their DNs.
  std::optional<LdapEntry> Find(directory::ObjectKind kind, std::string_view name,
                                const std::vector<std::string>& attrs);
  // The name the entry spells (the RDN's value).
  std::string NameOf(directory::ObjectKind kind, const LdapEntry& e) const;
  std::string NameOf(directory::ObjectKind kind, const std::string& dn,
                     const std::vector<std::string>& naming_values) const;
  // What a handle reads of an account of `kind`: every attribute its properties map to (and,
  // for a listing, the naming attribute).
  const std::vector<std::string>& EntryAttributes(directory::ObjectKind kind) const;
  const std::vector<std::string>& ListingAttributes(directory::ObjectKind kind) const;
  // The accounts of `kind` that `filter` matches (every one when empty), each with the
  // attributes its properties read.
  std::vector<Target> ListAccounts(directory::ObjectKind kind, const std::string& filter = {});

  // The object a path names; errc::kNoSuchObject for a path of another domain, of a kind this
  // backend does not hold, or of an account the directory does not list.
  Target Resolve(std::u16string_view path);

  // The next uidNumber (gidNumber) of the id pool entry, taken by one modify that advances it,
  // so two writers never take the same id; ids in use are passed over. The pool is made on
  // first use, one above the highest id in use and at least the configured first.
  uint32_t NextId(directory::ObjectKind kind);
  // Throws, naming every entry that holds it, when the uidNumber (gidNumber) of the account
  // `e` is held by another account too (rfc2307).
  void RequireSoleId(directory::ObjectKind kind, const LdapEntry& e);

 private:
  // One above the highest id of `kind` held anywhere under the base, at least the first.
  uint32_t Floor(directory::ObjectKind kind);
  // The accounts of `kind` holding the id.
  std::vector<LdapEntry> Holders(directory::ObjectKind kind, uint32_t id);
  std::string PoolDn() const;

  LdapOptions options_;
  LdapConnection conn_;
  std::u16string domain_path_;
  std::string people_, groups_, computers_;  // ContainerDn's answers
};

using ContextPtr = std::shared_ptr<LdapContext>;

}  // namespace moxtrel::backends::ldap
