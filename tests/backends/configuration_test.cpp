// The configuration file: what it builds, and how it refuses what it cannot use.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "moxtrel/accounts/users.h"
#include "moxtrel/backends/configuration.h"
#include "moxtrel/printing/print_queues.h"
#include "moxtrel/servers/file_shares.h"
#include "moxtrel/servers/server.h"
#include "support/cupsd_server.h"
#include "support/directory_fixture.h"
#include "support/files_tree.h"
#include "support/smbd_server.h"

namespace moxtrel::testing {
namespace {

using directory::ConfigurationError;
using directory::ParseConfiguration;
using ::testing::HasSubstr;

std::string LoadError(const std::string& text) {
  try {
    ParseConfiguration(text, "/cfg/moxtrel.toml");
  } catch (const ConfigurationError& e) {
    return e.what();
  }
  return "";
}

// Each mistake names the file, the key and the key's own line (its section's line when the key
// is missing).
TEST(ConfigurationTest, RefusesWhatItCannotUse) {
  EXPECT_EQ(LoadError("[computers.PC1]\naccounts = \"files\"\nacounts = \"x\"\n"),
            "/cfg/moxtrel.toml:3: computers.PC1.acounts: unknown key");
  EXPECT_EQ(LoadError("[printers]\n"),
            "/cfg/moxtrel.toml:1: printers: unknown section (expected [audit], [domains.NAME] "
            "or [computers.NAME])");
  EXPECT_EQ(LoadError("[domains.D]\n"),
            "/cfg/moxtrel.toml:1: domains.D.seed: a domain needs a seed file or an ldap URL");
  EXPECT_THAT(LoadError("[domains.D]\nseed = \"nothere.json\"\n"),
              HasSubstr("/cfg/moxtrel.toml:2: domains.D.seed: /cfg/nothere.json"));
  EXPECT_EQ(LoadError("[computers.PC1]\nroot = 7\n"),
            "/cfg/moxtrel.toml:2: computers.PC1.root: expected a string");
  EXPECT_EQ(LoadError("[computers.PC1]\nprinting = \"lpd\"\n"),
            "/cfg/moxtrel.toml:2: computers.PC1.printing: unknown printing backend \"lpd\" "
            "(expected \"cups\")");
  EXPECT_EQ(LoadError("[computers.PC1]\ncups = \"127.0.0.1:1\"\n"),
            "/cfg/moxtrel.toml:2: computers.PC1.cups: give printing = \"cups\" too");
  EXPECT_EQ(LoadError("[computers.PC1]\nshares = \"nfs\"\n"),
            "/cfg/moxtrel.toml:2: computers.PC1.shares: unknown shares backend \"nfs\" "
            "(expected \"samba\")");
  EXPECT_EQ(LoadError("[computers.PC1]\nsmb_conf = \"smb.conf\"\n"),
            "/cfg/moxtrel.toml:2: computers.PC1.smb_conf: give shares = \"samba\" too");
  EXPECT_THAT(LoadError("[computers.PC1]\nshares = \"samba\"\nsmb_conf = \"none.conf\"\n"),
              HasSubstr("/cfg/moxtrel.toml:3: computers.PC1.smb_conf: Cannot read the Samba "
                        "configuration file /cfg/none.conf"));
  EXPECT_THAT(LoadError("[computers.PC1\n"), HasSubstr("/cfg/moxtrel.toml:1: "));
  EXPECT_THAT(LoadError("[computers.A]\n[computers.a]\n"),
              HasSubstr("/cfg/moxtrel.toml:2: computers.a: Router: a is served already"));
  // Keys further down a section, after comments and blank lines, and keys in dotted form.
  EXPECT_EQ(LoadError("[computers.PC1]\n# where the accounts live\n\naccounts = \"files\"\n\n"
                      "printing = \"cups\"\nseed = \"a.json\"\n"),
            "/cfg/moxtrel.toml:4: computers.PC1.accounts: give a seed or accounts, not both");
  EXPECT_EQ(LoadError("[domains.D]\nseed = \"a.json\"\n\nldap = \"ldap://127.0.0.1:1\"\n"),
            "/cfg/moxtrel.toml:2: domains.D.seed: give a seed or ldap, not both");
  EXPECT_EQ(LoadError("[domains.D]\nldap = \"ldap://127.0.0.1:1\"\nbase = \"dc=d\"\n\n"
                      "schema = \"ad\"\n"),
            "/cfg/moxtrel.toml:5: domains.D.schema: unknown schema \"ad\" (expected \"rfc2307\" "
            "or \"dc\")");
  EXPECT_EQ(LoadError("[computers.PC1]\naccounts = \"files\"\n\nextra.deep = 1\n"),
            "/cfg/moxtrel.toml:4: computers.PC1.extra: unknown key");
  EXPECT_EQ(LoadError("[computers.PC1]\naccounts = \"files\"\n\n\n[computers.PC1.sub]\nx = 1\n"),
            "/cfg/moxtrel.toml:5: computers.PC1.sub: unknown key");
  try {
    directory::LoadConfiguration("/nonexistent/moxtrel.toml");
    FAIL();
  } catch (const ConfigurationError& e) {
    EXPECT_STREQ(e.what(), "/nonexistent/moxtrel.toml: No such file or directory");
  }
}

// Checking reports the same mistakes but builds no backend: no seed is read, no server is asked.
TEST(ConfigurationTest, CheckingBuildsNothing) {
  EXPECT_NO_THROW(directory::CheckConfiguration(
      "[domains.D]\nseed = \"nothere.json\"\n[domains.E]\nldap = \"ldap://127.0.0.1:1\"\n"
      "base = \"dc=e\"\npassword_file = \"/nonexistent/secret\"\n",
      "/cfg/moxtrel.toml"));
  EXPECT_THROW(directory::CheckConfiguration("[computers.PC1]\nacounts = 1\n", "/cfg/m.toml"),
               ConfigurationError);
}

// One computer: its accounts from a private tree of account files, its print queues from a
// private CUPS server, both through one server object.
TEST(ConfigurationTest, AccountsFromFilesAndPrintingFromCups) {
  CupsdServer cupsd;
  if (!cupsd.Available()) GTEST_SKIP() << cupsd.Why();
  cupsd.AddQueue("Laser");
  FilesTree tree;
  tree.AddGroup("staff", 50).AddUser("alice", 1000, 50, "Alice Liddell");
  directory::SetCurrentProvider(ParseConfiguration("[computers.PC9]\nroot = \"" + tree.root() +
                                                       "\"\nprinting = \"cups\"\ncups = \"" +
                                                       cupsd.Server() + "\"\n",
                                                   "/cfg/moxtrel.toml"));
  auto server = moxServer::Create();
  server->Name(u"PC9");
  EXPECT_EQ(server->Users()->Count(), 1);
  EXPECT_EQ(server->PrintQueues()->Count(), 1);
  EXPECT_EQ(server->PrintQueues()->Item(Variant(1))->Name(), u"Laser");
  directory::SetCurrentProvider(nullptr);
}

// One computer: its accounts from account files, its file shares from a private smbd.
TEST(ConfigurationTest, AccountsFromFilesAndSharesFromSamba) {
  SmbdServer smbd;
  if (!smbd.Available()) GTEST_SKIP() << smbd.Why();
  smbd.AddShare("Public", smbd.Folder("public"), "Public files");
  FilesTree tree;
  tree.AddGroup("staff", 50).AddUser("alice", 1000, 50, "Alice Liddell");
  directory::SetCurrentProvider(ParseConfiguration("[computers.PC9]\nroot = \"" + tree.root() +
                                                       "\"\nshares = \"samba\"\nsmb_conf = \"" +
                                                       smbd.Conf() + "\"\n",
                                                   "/cfg/moxtrel.toml"));
  auto server = moxServer::Create();
  server->Name(u"PC9");
  EXPECT_EQ(server->Users()->Count(), 1);
  auto shares = server->FileShares();
  EXPECT_EQ(shares->Count(), 2);  // Public, and Tools from smb.conf itself
  EXPECT_EQ(shares->Item(Variant(u"public"))->Description(), u"Public files");
  directory::SetCurrentProvider(nullptr);
}

}  // namespace
}  // namespace moxtrel::testing
