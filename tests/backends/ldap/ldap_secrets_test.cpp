// No secret in clear: a bind password or a password change goes only over StartTLS, ldaps:// or
// ldapi:// unless the options allow it, and a certificate that is not trusted says so.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include "backends/ldap/ldap_fixture.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::IADsUser;
using ::testing::HasSubstr;

class LdapSecretsTest : public LdapTest {
 protected:
  void SetUp() override {
    LdapTest::SetUp();
    if (IsSkipped()) return;
    if (!SlapdServer::CanMakeCertificates()) GTEST_SKIP() << "openssl is not installed";
    server = std::make_unique<SlapdServer>(SlapdServer::Options{
        .ldif = Ous() + User("alice", 1000), .tls = true, .log_operations = true});
  }
  // How many times the server's log holds `line`.
  int Count(const std::string& line) const {
    const std::string log = server->Log();
    int n = 0;
    for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
    return n;
  }
  int AdminBinds() const { return Count("BIND dn=\"" + server->admin_dn() + "\""); }
};

constexpr const char* kPasswordModify = "EXT oid=1.3.6.1.4.1.4203.1.11.1";

TEST_F(LdapSecretsTest, PasswordsGoOnlyOverEncryptedSessions) {
  auto plain = Options();
  plain.allow_plaintext = false;
  std::u16string text;
  // Refused when the provider is made, and by a session made without one: nothing is sent.
  const int binds = AdminBinds();
  EXPECT_EQ(ErrorCodeOf([&] { backends::ldap::MakeLdapProvider(plain); }, &text),
            errc::kAccessDenied);
  EXPECT_THAT(ToUtf8(text), HasSubstr("in clear"));
  EXPECT_THAT(ToUtf8(text), HasSubstr("allow_plaintext"));
  EXPECT_EQ(ToUtf8(text).find(plain.password), std::string::npos);
  backends::ldap::LdapConnection conn(plain);
  EXPECT_EQ(ErrorCodeOf(
                [&] {
                  conn.Search(kLdapBase, backends::ldap::SearchScope::kBase, "(objectClass=*)", {});
                },
                &text),
            errc::kAccessDenied);
  EXPECT_THAT(ToUtf8(text), HasSubstr("neither ldaps:// nor StartTLS"));
  EXPECT_EQ(AdminBinds(), binds);

  // An anonymous session in clear may read, but a password change on it is not sent.
  auto anonymous = plain;
  anonymous.bind_dn.clear();
  anonymous.password.clear();
  Use(anonymous);
  auto alice = directory::Bind<IADsUser>(u"WinNT://CORP/alice,user");
  const std::string secret = server->reader_password() + "-a";  // made per run
  const int changes = Count(kPasswordModify);
  EXPECT_EQ(ErrorCodeOf([&] { alice->SetPassword(FromUtf8(secret)); }, &text), errc::kAccessDenied);
  EXPECT_THAT(ToUtf8(text), HasSubstr("not encrypted"));
  EXPECT_EQ(Count(kPasswordModify), changes);

  // A bind DN with no password would be an unauthenticated bind: refused before anything.
  auto empty = Options();
  empty.password.clear();
  EXPECT_EQ(ErrorCodeOf([&] { backends::ldap::MakeLdapProvider(empty); }), errc::kInvalidArg);
  auto in_url = Options();
  in_url.url = "ldap://admin:" + secret + "@127.0.0.1:1";
  EXPECT_EQ(ErrorCodeOf([&] { backends::ldap::MakeLdapProvider(in_url); }, &text),
            errc::kInvalidArg);
  EXPECT_EQ(ToUtf8(text).find(secret), std::string::npos);

  // Over StartTLS both go through, and the new password binds.
  auto tls = plain;
  tls.start_tls = true;
  tls.tls_ca_file = server->ca_file();
  Use(tls);
  directory::Bind<IADsUser>(u"WinNT://CORP/alice,user")->SetPassword(FromUtf8(secret));
  auto as_alice = tls;
  as_alice.bind_dn = "uid=alice,ou=People," + kLdapBase;
  as_alice.password = secret;
  backends::ldap::LdapConnection alice_conn(as_alice);
  EXPECT_TRUE(alice_conn.Encrypted());
  EXPECT_EQ(server->Log().find(secret), std::string::npos);

  // allow_plaintext lets a private test server take both in clear.
  Use(Options());
  directory::Bind<IADsUser>(u"WinNT://CORP/alice,user")->SetPassword(FromUtf8(secret + "b"));

  // ldaps:// needs no StartTLS.
  auto ldaps = plain;
  ldaps.url = server->ldaps_url();
  ldaps.tls_ca_file = server->ca_file();
  Use(ldaps);
  directory::Bind<IADsUser>(u"WinNT://CORP/alice,user")->SetPassword(FromUtf8(secret + "c"));

  // A certificate no trusted authority signed is an error that says it is one, over StartTLS
  // and over ldaps://.
  const char* system_cas = "/etc/ssl/certs/ca-certificates.crt";
  if (access(system_cas, R_OK) == 0) {
    for (auto untrusted : {tls, ldaps}) {
      untrusted.tls_ca_file = system_cas;
      backends::ldap::LdapConnection bad(untrusted);
      EXPECT_NE(ErrorCodeOf([&] { bad.Encrypted(); }, &text), 0);
      EXPECT_THAT(ToUtf8(text), HasSubstr("certificate")) << untrusted.url;
      EXPECT_EQ(ToUtf8(text).find(untrusted.password), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace moxtrel::testing
