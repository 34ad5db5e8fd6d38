// What the rfc2307 tests of the LDAP backend share: a private slapd with ou=People, ou=Groups and
// ou=Computers, LDIF for its users and groups, options that bind as its admin, and a look at an
// entry as the server holds it.
//
//   class LdapIdsTest : public LdapTest {};
//   TEST_F(LdapIdsTest, ...) { Start(User("alice", 1000)); Use(Options()); ... Entry(dn) ... }
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "moxtrel/backends/ldap/ldap_connection.h"
#include "moxtrel/backends/ldap/ldap_escape.h"
#include "moxtrel/backends/ldap/ldap_provider.h"
#include "moxtrel/directory/provider.h"
#include "support/slapd_server.h"

namespace moxtrel::testing {

inline const std::string kLdapBase = SlapdServer::kBase;

inline std::string Ous() {
  std::string out;
  for (const char* ou : {"People", "Groups", "Computers"}) {
    out += "dn: ou=" + std::string(ou) + "," + kLdapBase +
           "\nobjectClass: organizationalUnit\nou: " + ou + "\n\n";
  }
  return out;
}

// A user in ou=People, or in `container` (a DN) when given.
inline std::string User(const std::string& uid, int id, const std::string& extra = "",
                        const std::string& container = "") {
  return "dn: uid=" + backends::ldap::DnValue(uid) + "," +
         (container.empty() ? "ou=People," + kLdapBase : container) +
         "\nobjectClass: inetOrgPerson\nobjectClass: posixAccount\nobjectClass: "
         "shadowAccount\nuid: " +
         uid + "\ncn: " + uid + "\nsn: " + uid + "\nuidNumber: " + std::to_string(id) +
         "\ngidNumber: 100\nhomeDirectory: /home/x\n" + extra + "\n";
}

inline std::string Group(const std::string& cn, int id, const std::string& members) {
  return "dn: cn=" + cn + ",ou=Groups," + kLdapBase + "\nobjectClass: posixGroup\ncn: " + cn +
         "\ngidNumber: " + std::to_string(id) + "\n" + members + "\n";
}

class LdapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SlapdServer::Installed()) GTEST_SKIP() << "slapd is not installed (Debian slapd)";
  }
  void TearDown() override { directory::SetCurrentProvider(nullptr); }

  void Start(const std::string& ldif, int size_limit = 0) {
    server = std::make_unique<SlapdServer>(SlapdServer::Options{Ous() + ldif, size_limit});
  }
  // The admin's options, over a plain session that the test server on loopback allows.
  backends::ldap::LdapOptions Options() {
    backends::ldap::LdapOptions o;
    o.domain = u"CORP";
    o.url = server->url();
    o.base = kLdapBase;
    o.bind_dn = server->admin_dn();
    o.password = server->admin_password();
    o.allow_plaintext = true;
    return o;
  }
  void Use(const backends::ldap::LdapOptions& o) {
    directory::SetCurrentProvider(backends::ldap::MakeLdapProvider(o));
  }
  // The entry as the server holds it, read as the admin.
  backends::ldap::LdapEntry Entry(const std::string& dn) {
    backends::ldap::LdapConnection conn(Options());
    auto found = conn.Search(dn, backends::ldap::SearchScope::kBase, "(objectClass=*)", {"*"});
    return found.empty() ? backends::ldap::LdapEntry{} : found.front();
  }

  std::unique_ptr<SlapdServer> server;
};

}  // namespace moxtrel::testing
