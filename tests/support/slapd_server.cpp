#include "support/slapd_server.h"

#include "support/child_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace moxtrel::testing {
namespace {

constexpr const char* kSlapd = "/usr/sbin/slapd";
constexpr const char* kSlapadd = "/usr/sbin/slapadd";
constexpr const char* kOpenssl = "/usr/bin/openssl";

std::string RandomSecret() {
  std::ifstream in("/dev/urandom", std::ios::binary);
  unsigned char raw[18];
  in.read(reinterpret_cast<char*>(raw), sizeof raw);
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (unsigned char c : raw) {
    out.push_back(hex[c >> 4]);
    out.push_back(hex[c & 15]);
  }
  return out;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& log) {
  return SpawnServer(argv, log);
}

}  // namespace

bool SlapdServer::Installed() {
  return access(kSlapd, X_OK) == 0 && access(kSlapadd, X_OK) == 0 &&
         access("/usr/bin/ldapadd", X_OK) == 0 && access("/etc/ldap/schema/nis.schema", R_OK) == 0;
}

std::string SlapdServer::DcSchema() {
  return std::string(MOXTREL_SOURCE_DIR) + "/tests/backends/ldap/dc_test.schema";
}

std::string SlapdServer::PosixAuxSchema() {
  return std::string(MOXTREL_SOURCE_DIR) + "/tests/backends/ldap/posix_aux_test.schema";
}

bool SlapdServer::CanMakeCertificates() {
  return access(kOpenssl, X_OK) == 0;
}

void SlapdServer::WriteFile(const std::string& name, const std::string& text, bool secret) {
  const std::string path = dir_ + "/" + name;
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
  }
  if (secret) chmod(path.c_str(), 0600);
}

int SlapdServer::Run(const std::vector<std::string>& argv) {
  pid_t pid = Spawn(argv, dir_ + "/tools.log");
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

SlapdServer::SlapdServer(Options options) {
  char tmpl[] = "/tmp/moxtrel-slapd-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  dir_ = tmpl;
  try {
    Setup(options);
  } catch (const std::exception& e) {
    // Nothing is left behind; what the tools said goes into the error instead.
    Stop();
    std::string what = e.what();
    for (const char* log : {"/tools.log", "/slapd.log"}) {
      std::ifstream in(dir_ + log, std::ios::binary);
      const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      if (!text.empty()) what += "\n" + std::string(log + 1) + ": " + text.substr(0, 2000);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    throw std::runtime_error(what);
  }
}

void SlapdServer::Setup(const Options& options) {
  std::filesystem::create_directory(dir_ + "/db");
  log_operations_ = options.log_operations;
  admin_password_ = RandomSecret();
  reader_password_ = RandomSecret();
  port_ = FreeLoopbackPort();
  url_ = "ldap://127.0.0.1:" + std::to_string(port_);
  std::string conf =
      "include /etc/ldap/schema/core.schema\n"
      "include /etc/ldap/schema/cosine.schema\n"
      "include /etc/ldap/schema/inetorgperson.schema\n";
  if (options.nis) conf += "include /etc/ldap/schema/nis.schema\n";
  for (const auto& schema : options.schemas) conf += "include " + schema + "\n";
  if (options.tls) {
    if (Run({kOpenssl, "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
             "-nodes", "-keyout", dir_ + "/key.pem", "-out", ca_file(), "-days", "1", "-subj",
             "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"}) != 0) {
      throw std::runtime_error("openssl could not make a certificate");
    }
    chmod((dir_ + "/key.pem").c_str(), 0600);
    int ldaps_port = FreeLoopbackPort();
    while (ldaps_port == port_) ldaps_port = FreeLoopbackPort();
    ldaps_url_ = "ldaps://127.0.0.1:" + std::to_string(ldaps_port);
    conf += "TLSCertificateFile " + ca_file() + "\nTLSCertificateKeyFile " + dir_ + "/key.pem\n";
  }
  conf += "pidfile " + dir_ +
          "/slapd.pid\n"
          "argsfile " +
          dir_ +
          "/slapd.args\n"
          "modulepath /usr/lib/ldap\n"
          "moduleload back_mdb\n";
  if (options.size_limit > 0) {
    conf += "sizelimit " + std::to_string(options.size_limit) + "\n";
  }
  conf +=
      "database mdb\n"
      "maxsize 1073741824\n"
      "suffix \"" +
      std::string(kBase) +
      "\"\n"
      "rootdn \"" +
      admin_dn() +
      "\"\n"
      "rootpw " +
      admin_password_ +
      "\n"
      "directory " +
      dir_ +
      "/db\n"
      "index objectClass,uid,cn,memberUid,member,uidNumber,gidNumber eq\n";
  for (const auto& attr : options.indexes) conf += "index " + attr + " eq\n";
  conf +=
      "access to attrs=userPassword by self write by anonymous auth by * none\n"
      "access to * by * read\n";
  if (!options.limits.empty()) {
    conf += "limits users " + options.limits + "\n";
  } else if (options.size_limit > 0) {
    // Paged searches of ordinary users page through everything; unpaged ones stop at the limit.
    conf += "limits users size.soft=" + std::to_string(options.size_limit) +
            " size.hard=" + std::to_string(options.size_limit) + " size.prtotal=unlimited\n";
  }
  WriteFile("slapd.conf", conf, true);
  WriteFile("admin.secret", admin_password_, true);
  WriteFile("reader.secret", reader_password_, true);
  std::string ldif = "dn: " + std::string(kBase) +
                     "\nobjectClass: dcObject\nobjectClass: organization\n" + options.base_extra +
                     "dc: corp\no: corp\n\ndn: " + reader_dn() +
                     "\nobjectClass: person\ncn: reader\nsn: reader\n\n" + options.ldif;
  WriteFile("seed.ldif", ldif);
  if (Run({kSlapadd, "-q", "-f", dir_ + "/slapd.conf", "-l", dir_ + "/seed.ldif"}) != 0) {
    throw std::runtime_error("slapadd failed");
  }
  Start();
  // The reader's password goes through the server, which hashes it.
  if (Run({"/usr/bin/ldappasswd", "-x", "-H", url_, "-D", admin_dn(), "-y", dir_ + "/admin.secret",
           "-T", dir_ + "/reader.secret", reader_dn()}) != 0) {
    throw std::runtime_error("ldappasswd failed");
  }
}

void SlapdServer::Start() {
  const std::string listen = url_ + "/" + (ldaps_url_.empty() ? "" : " " + ldaps_url_ + "/");
  pid_ = Spawn(
      {kSlapd, "-h", listen, "-f", dir_ + "/slapd.conf", "-d", log_operations_ ? "stats" : "0"},
      dir_ + "/slapd.log");
  for (int i = 0; i < 500; ++i) {
    if (AcceptsOnLoopback(port_)) return;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("slapd exited at start; see " + dir_ + "/slapd.log");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Stop();
  throw std::runtime_error("slapd did not listen within 5 s");
}

void SlapdServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGINT);
  int status = 0;
  for (int i = 0; i < 500; ++i) {
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

std::string SlapdServer::Log() const {
  std::ifstream in(dir_ + "/slapd.log", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int SlapdServer::Modifies(const std::string& dn) const {
  const std::string log = Log();
  const std::string line = " MOD dn=\"" + dn + "\"";
  int count = 0;
  for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++count;
  return count;
}

void SlapdServer::Add(const std::string& ldif) {
  WriteFile("add.ldif", ldif);
  if (Run({"/usr/bin/ldapadd", "-x", "-H", url_, "-D", admin_dn(), "-y", dir_ + "/admin.secret",
           "-f", dir_ + "/add.ldif"}) != 0) {
    throw std::runtime_error("ldapadd failed; see " + dir_ + "/tools.log");
  }
}

SlapdServer::~SlapdServer() {
  Stop();
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::string ManyUsersLdif(int n) {
  std::string out;
  out.reserve(static_cast<std::size_t>(n) * 260);
  char name[16];
  for (int i = 1; i <= n; ++i) {
    std::snprintf(name, sizeof name, "user%06d", i);
    const std::string id = std::to_string(20000 + i);
    out += "dn: uid=";
    out += name;
    out += ",ou=People,";
    out += SlapdServer::kBase;
    out += "\nobjectClass: inetOrgPerson\nobjectClass: posixAccount\nuid: ";
    out += name;
    out += "\ncn: ";
    out += name;
    out += "\nsn: ";
    out += name;
    out += "\nuidNumber: " + id + "\ngidNumber: 100\nhomeDirectory: /home/";
    out += name;
    out += "\n\n";
  }
  return out;
}

}  // namespace moxtrel::testing
