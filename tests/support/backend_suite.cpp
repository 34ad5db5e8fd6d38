#include "support/backend_suite.h"

#include "moxtrel/backends/configuration.h"
#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/backends/ldap/ldap_provider.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/memory/memory_directory.h"
#include "support/dc_ldif.h"
#include "support/files_tree.h"
#include "support/slapd_server.h"

namespace moxtrel::testing {
namespace {

class EmbeddedBackend final : public Backend {
 public:
  explicit EmbeddedBackend(moxType scope) : scope_(scope) {
    directory::DirectoryBuilder b(*dir_);
    const auto pc =
        scope == moxType::moxLocal ? b.AddComputer(u"", kComputer) : b.AddDomain(kDomain);
    const auto alice = b.AddUser(
        pc, u"alice",
        {{u"FullName", Variant(u"Alice Liddell")}, {u"Description", Variant(u"Engineer")}});
    const auto bob = b.AddUser(pc, u"bob", {{u"FullName", Variant(u"Bob Ames")}});
    const auto users = b.AddGroup(pc, u"users");
    const auto staff = b.AddGroup(pc, u"staff");
    b.AddGroup(pc, u"admins");
    b.AddMember(users, alice);
    b.AddMember(users, bob);
    b.AddMember(staff, alice);
  }
  std::shared_ptr<directory::DirectoryProvider> Provider() override { return dir_; }
  moxType Scope() const override { return scope_; }

 private:
  moxType scope_;
  std::shared_ptr<directory::MemoryDirectory> dir_ = directory::MemoryDirectory::Create();
};

class FilesBackend final : public Backend {
 public:
  FilesBackend() {
    // "users" lists alice and bob only as their primary group.
    tree_.AddGroup("users", 100)
        .AddGroup("staff", 50, {"alice"})
        .AddGroup("admins", 51)
        .AddUser("alice", 1000, 100, "Alice Liddell,Engineer", "/home/alice")
        .AddUser("bob", 1001, 100, "Bob Ames", "/home/bob");
  }
  std::shared_ptr<directory::DirectoryProvider> Provider() override {
    return backends::files::MakeFilesProvider(tree_.Options(std::u16string(kComputer)));
  }

 private:
  FilesTree tree_;
};

// Computer PC1 from a configuration naming a registered backend type (the template "memory"),
// seeded through the object model as a user of it would: a new backend joins the suites this
// way when it starts empty. No audit trail here: a trail beneath a journal layer is tested in
// the audit trail's own tests.
class ConfiguredBackend final : public Backend {
 public:
  explicit ConfiguredBackend(const std::string& accounts)
      : router_(directory::ParseConfiguration(
            "[audit]\nlog = \"none\"\n[computers.PC1]\naccounts = \"" + accounts + "\"\n",
            "/cfg/moxtrel.toml")) {
    auto pc = directory::As<directory::IADsContainer>(router_->GetObject(u"WinNT://PC1"));
    auto make = [&](std::u16string_view word, std::u16string_view name,
                    std::vector<std::pair<std::u16string, Variant>> values) {
      auto object = pc->Create(word, name);
      for (const auto& [key, value] : values) object->Put(key, value);
      object->SetInfo();
      return object->ADsPath();
    };
    const auto alice =
        make(u"user", u"alice",
             {{u"FullName", Variant(u"Alice Liddell")}, {u"Description", Variant(u"Engineer")}});
    const auto bob = make(u"user", u"bob", {{u"FullName", Variant(u"Bob Ames")}});
    auto group = [&](std::u16string_view name) {
      return directory::As<directory::IADsGroup>(router_->GetObject(make(u"group", name, {})));
    };
    auto users = group(u"users");
    users->Add(alice);
    users->Add(bob);
    group(u"staff")->Add(alice);
    group(u"admins");
  }
  std::shared_ptr<directory::DirectoryProvider> Provider() override { return router_; }

 private:
  std::shared_ptr<directory::Router> router_;
};

// Domain CORP in a private slapd, the rfc2307 profile, over StartTLS (no password in clear).
class LdapBackend final : public Backend {
 public:
  LdapBackend() {
    if (!SlapdServer::Installed() || !SlapdServer::CanMakeCertificates()) return;
    const std::string b = SlapdServer::kBase;
    auto user = [&](const char* uid, int id, const std::string& extra) {
      return "dn: uid=" + std::string(uid) + ",ou=People," + b +
             "\nobjectClass: inetOrgPerson\nobjectClass: posixAccount\nobjectClass: "
             "shadowAccount\nuid: " +
             uid + "\ncn: " + uid + "\nsn: " + uid + "\nuidNumber: " + std::to_string(id) +
             "\ngidNumber: 100\nhomeDirectory: /home/" + uid + "\n" + extra + "\n";
    };
    auto group = [&](const char* cn, int id, const std::string& members) {
      return "dn: cn=" + std::string(cn) + ",ou=Groups," + b +
             "\nobjectClass: posixGroup\ncn: " + cn + "\ngidNumber: " + std::to_string(id) + "\n" +
             members + "\n";
    };
    std::string ldif;
    for (const char* ou : {"People", "Groups", "Computers"}) {
      ldif += "dn: ou=" + std::string(ou) + "," + b +
              "\nobjectClass: organizationalUnit\nou: " + ou + "\n\n";
    }
    ldif += user("alice", 1000, "displayName: Alice Liddell\ndescription: Engineer\n");
    ldif += user("bob", 1001, "displayName: Bob Ames\n");
    ldif += group("users", 100, "memberUid: alice\nmemberUid: bob\n");
    ldif += group("staff", 50, "memberUid: alice\n");
    ldif += group("admins", 51, "");
    ldif += "dn: cn=PC1,ou=Computers," + b + "\nobjectClass: device\ncn: PC1\n\n";
    server_ = std::make_unique<SlapdServer>(SlapdServer::Options{.ldif = ldif, .tls = true});
  }
  std::shared_ptr<directory::DirectoryProvider> Provider() override {
    return backends::ldap::MakeLdapProvider(Options());
  }
  moxType Scope() const override { return moxType::moxGlobal; }
  std::string Unavailable() const override {
    return server_ ? "" : "slapd or openssl is not installed (Debian slapd, ldap-utils, openssl)";
  }
  backends::ldap::LdapOptions Options() const {
    backends::ldap::LdapOptions o;
    o.domain = std::u16string(kDomain);
    o.url = server_->url();
    o.base = SlapdServer::kBase;
    o.bind_dn = server_->admin_dn();
    o.password = server_->admin_password();
    o.start_tls = true;
    o.tls_ca_file = server_->ca_file();
    return o;
  }

 private:
  std::unique_ptr<SlapdServer> server_;
};

// Domain CORP in a private slapd holding a domain controller's attributes, the dc profile,
// over StartTLS (passwords are sent only encrypted).
class LdapDcBackend final : public Backend {
 public:
  LdapDcBackend() {
    if (!SlapdServer::Installed() || !SlapdServer::CanMakeCertificates()) return;
    const std::string ldif =
        DcContainers() +
        DcUser("alice", "displayName: Alice Liddell\ndescription: Engineer\n", 1000) +
        DcUser("bob", "displayName: Bob Ames\n", 1001) +
        DcGroup("users", {DcUserDn("alice"), DcUserDn("bob")}) +
        DcGroup("staff", {DcUserDn("alice")}) + DcGroup("admins", {}) + DcComputer("PC1");
    server_ =
        std::make_unique<SlapdServer>(SlapdServer::Options{.ldif = ldif,
                                                           .schemas = {SlapdServer::DcSchema()},
                                                           .indexes = {"sAMAccountName"},
                                                           .tls = true});
  }
  std::shared_ptr<directory::DirectoryProvider> Provider() override {
    backends::ldap::LdapOptions o;
    o.domain = std::u16string(kDomain);
    o.url = server_->url();
    o.base = SlapdServer::kBase;
    o.bind_dn = server_->admin_dn();
    o.password = server_->admin_password();
    o.schema = backends::ldap::LdapSchema::kDc;
    o.start_tls = true;
    o.tls_ca_file = server_->ca_file();
    return backends::ldap::MakeLdapProvider(o);
  }
  moxType Scope() const override { return moxType::moxGlobal; }
  std::string Unavailable() const override {
    return server_ ? "" : "slapd or openssl is not installed (Debian slapd, ldap-utils, openssl)";
  }

 private:
  std::unique_ptr<SlapdServer> server_;
};

}  // namespace

std::vector<BackendFactory> AccountBackends() {
  return {
      {"embedded", [] { return std::make_unique<EmbeddedBackend>(moxType::moxLocal); }},
      {"embedded_domain", [] { return std::make_unique<EmbeddedBackend>(moxType::moxGlobal); }},
      {"files", [] { return std::make_unique<FilesBackend>(); }},
      {"memory", [] { return std::make_unique<ConfiguredBackend>("memory"); }},
      {"ldap", [] { return std::make_unique<LdapBackend>(); }},
      {"ldap_dc", [] { return std::make_unique<LdapDcBackend>(); }},
  };
}

}  // namespace moxtrel::testing
