// SlapdServer: a private OpenLDAP server for one test, started in the foreground from a
// slapd.conf in a fresh temporary folder (mdb database, core/cosine/inetorgperson/nis schemas
// and any test schema given), listening on ldap://127.0.0.1:<free port> only, seeded with slapadd
// before it starts, and stopped by its process id when the object goes away. The admin and
// reader passwords are made per run and written only to files inside the folder; with tls, a
// self-signed certificate for 127.0.0.1 made per run lets clients use StartTLS, and the server
// also listens on ldaps://127.0.0.1:<another free port>.
//
//   if (!SlapdServer::Installed()) GTEST_SKIP() << "slapd is not installed";
//   SlapdServer ldap({.ldif = "dn: ou=People,dc=corp,dc=example\n..."});
//   options.url = ldap.url(); options.bind_dn = ldap.admin_dn(); ...
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace moxtrel::testing {

class SlapdServer {
 public:
  struct Options {
    std::string ldif;    // entries under kBase added before start (kBase itself is made)
    int size_limit = 0;  // the server's size limit for non-admin searches; 0: none
    std::vector<std::string> schemas = {};  // more schema files, included after the standard ones
    std::vector<std::string> indexes = {};  // more attributes indexed for equality
    bool tls = false;             // offer StartTLS (needs openssl to make the certificate)
    bool log_operations = false;  // log each operation (slapd's stats level), see Log()
    // More lines of the kBase entry, after its objectClass lines (which slapadd -q needs together).
    std::string base_extra = {};
    bool nis = true;  // include nis.schema; false: a schema in `schemas` stands in for it
    // The limits of ordinary (non-admin) users, as slapd.conf's `limits users` clauses, such as
    // "size.pr=50" (pages of at most 50) or "size.prtotal=disabled" (no paging); replaces the
    // line size_limit makes.
    std::string limits = {};
  };
  // The schema of a domain controller's accounts for the dc profile, in tests/backends/ldap.
  static std::string DcSchema();
  // POSIX accounts and groups as auxiliary classes, to load with nis = false.
  static std::string PosixAuxSchema();
  static bool CanMakeCertificates();
  static constexpr const char* kBase = "dc=corp,dc=example";

  static bool Installed();
  explicit SlapdServer(Options options);
  ~SlapdServer();
  SlapdServer(const SlapdServer&) = delete;
  SlapdServer& operator=(const SlapdServer&) = delete;

  const std::string& url() const { return url_; }
  std::string admin_dn() const { return std::string("cn=admin,") + kBase; }
  const std::string& admin_password() const { return admin_password_; }
  // An ordinary account that may read everything, subject to the size limit.
  std::string reader_dn() const { return std::string("cn=reader,") + kBase; }
  const std::string& reader_password() const { return reader_password_; }
  const std::string& folder() const { return dir_; }
  // The certificate clients trust for StartTLS and ldaps (with tls only).
  std::string ca_file() const { return dir_ + "/cert.pem"; }
  // ldaps://127.0.0.1:<port> (with tls only).
  const std::string& ldaps_url() const { return ldaps_url_; }

  // What slapd has logged so far; with log_operations, one line per operation, such as
  // `conn=1001 op=2 MOD dn="cn=staff,..."`. Values are not logged.
  std::string Log() const;
  // How many modify operations of `dn` the log holds.
  int Modifies(const std::string& dn) const;

  // Adds entries through the running server (ldapadd as the admin).
  void Add(const std::string& ldif);
  // Stops and starts the server on the same port, as a connection loss would be.
  void Stop();
  void Start();

 private:
  void Setup(const Options& options);
  int Run(const std::vector<std::string>& argv);
  void WriteFile(const std::string& name, const std::string& text, bool secret = false);

  std::string dir_, url_, ldaps_url_, admin_password_, reader_password_;
  int port_ = 0;
  bool log_operations_ = false;
  pid_t pid_ = -1;
};

// The LDIF of n users user000001.. in ou=People (with uidNumber from
// 20000), fast to make for large counts.
std::string ManyUsersLdif(int n);

}  // namespace moxtrel::testing
