// The "ldap" backend: one domain of the object model served by an LDAP directory. It holds
// the domain ("WinNT://D,domain"), its users, groups and computers; docs/ldap.md shows how each
// property maps onto attributes in the two schema profiles.
//
//   LdapOptions o;
//   o.domain = u"CORP";
//   o.url = "ldap://127.0.0.1:3890";
//   o.base = "dc=corp,dc=example";
//   o.bind_dn = "cn=admin,dc=corp,dc=example";
//   o.password = secret;
//   directory::SetCurrentProvider(MakeLdapProvider(o));
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "moxtrel/directory/provider.h"

namespace moxtrel::backends::ldap {

enum class LdapSchema {
  kRfc2307,  // inetOrgPerson + posixAccount + shadowAccount, posixGroup, device
  kDc,       // the attributes a Samba domain controller serves
};

struct LdapOptions {
  std::u16string domain;  // the domain's name as paths spell it
  std::string url;        // ldap://, ldaps:// (or several replicas, space-separated, in order)
  std::string base;       // the directory's base DN
  std::string bind_dn;    // empty with an empty password: anonymous
  std::string password;   // simple bind password (never logged)
  // A password (bind or SetPassword) is sent only over ldaps://, StartTLS or ldapi://, unless
  // this is true: unsafe, for a private test server on loopback.
  bool allow_plaintext = false;
  bool sasl_external = false;  // bind with SASL EXTERNAL (a TLS client certificate or ldapi)
  LdapSchema schema = LdapSchema::kRfc2307;
  // Containers relative to base; empty: the profile's own (rfc2307: ou=People, ou=Groups,
  // ou=Computers, searched in their whole subtree; dc: cn=Users, cn=Users, cn=Computers, where new
  // accounts go, while accounts are searched in the whole base).
  std::string people;
  std::string groups;
  std::string computers;
  bool start_tls = false;   // StartTLS on an ldap:// URL
  bool tls_verify = true;   // check the server's certificate
  std::string tls_ca_file;  // CA certificates; empty: the system's
  std::chrono::milliseconds connect_timeout{5000};
  std::chrono::milliseconds operation_timeout{30000};
  int page_size = 500;  // entries per page of a listing; 0 asks for no paging
  // Ids given to new accounts: one above the highest in use, and at least these.
  uint32_t first_uid = 10000;
  uint32_t first_gid = 10000;
  uint32_t default_gid = 100;  // primary group of a new rfc2307 user
  // The entry, relative to base, whose uidNumber and gidNumber are the next ids to give (rfc2307).
  // Each writer takes an id by one modify that deletes the value it read and adds the next, so two
  // writers never take the same one. Empty: cn=moxtrel-next-id, made on first use.
  std::string id_pool;
};

// Throws AutomationError (errc::kInvalidArg) for an empty domain, URL or base, a negative page
// size, a URL holding user information ("user:password@", never echoed), or a bind DN with no
// password; errc::kAccessDenied for a simple bind that would send its password in clear.
// Connects on the first call, not here.
std::shared_ptr<directory::DirectoryProvider> MakeLdapProvider(LdapOptions options);

}  // namespace moxtrel::backends::ldap
