#include "moxtrel/backends/ldap/ldap_backend.h"

#include <sys/stat.h>

#include <string.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "moxtrel/backends/configuration.h"
#include "moxtrel/backends/ldap/ldap_connection.h"
#include "moxtrel/backends/ldap/ldap_provider.h"
#include "moxtrel/platform/regular_file.h"

namespace moxtrel::backends::ldap {
namespace {

using directory::BackendPlace;
using directory::ConfigSection;

// The password file's first line; checking leaves the file alone.
std::string ReadPasswordFile(ConfigSection& section, const std::string& name) {
  const std::string path = section.Resolve(name);
  std::optional<std::string> text;
  try {
    text = platform::ReadRegularFile(path, directory::kMaxPasswordFileBytes);
  } catch (const platform::RegularFileError& e) {
    section.Fail("password_file", e.what());
  }
  if (!text) section.Fail("password_file", path + ": " + std::strerror(ENOENT));
  std::string password = text->substr(0, text->find('\n'));
  explicit_bzero(text->data(), text->size());
  // As ssh refuses a private key that others can read.
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && (st.st_mode & 077) != 0) {
    explicit_bzero(password.data(), password.size());
    section.Fail("password_file",
                 path +
                     ": the secret can be read by its group or by others; make it readable "
                     "by its owner only (chmod 600)");
  }
  if (password.empty())
    section.Fail("password_file", path + ": the first line, the password, is empty");
  return password;
}

LdapOptions Read(ConfigSection& section, const BackendPlace& place, bool read_secret_file) {
  LdapOptions o;
  o.domain = place.name;
  // One URL, or several replicas in the order they are tried.
  const std::vector<std::string> urls = section.Strings("ldap");
  if (urls.empty())
    section.Fail("ldap", "give the directory's URL, or a list of its servers' URLs");
  for (const auto& url : urls) {
    if (url.find("://") == std::string::npos || url.find_first_of(" \t") != std::string::npos) {
      section.Fail("ldap",
                   "each server is one URL such as \"ldap://host:389\" (a list is "
                   "[\"ldap://a\", \"ldap://b\"])");
    }
    o.url += (o.url.empty() ? "" : " ") + url;
  }
  // Not echoed: the URL would print the password.
  if (UrlHoldsUserInfo(o.url)) {
    section.Fail("ldap",
                 "the URL holds user information (user:password@), which is not shown here; "
                 "give the password in password_file or password_env");
  }
  o.base = section.String("base");
  if (o.base.empty()) section.Fail("base", "an LDAP domain needs its base DN");
  o.bind_dn = section.String("bind_dn");
  const std::string schema = section.String("schema", "rfc2307");
  if (schema == "dc") {
    o.schema = LdapSchema::kDc;
  } else if (schema != "rfc2307") {
    section.Fail("schema", "unknown schema \"" + schema + "\" (expected \"rfc2307\" or \"dc\")");
  }
  const std::string sasl = section.String("sasl");
  if (!sasl.empty() && sasl != "external") {
    section.Fail("sasl", "unknown SASL mechanism (expected \"external\")");
  }
  o.sasl_external = sasl == "external";
  const std::string password_file = section.String("password_file");
  const std::string password_env = section.String("password_env");
  if (!password_file.empty() && !password_env.empty()) {
    section.Fail("password_env", "give password_file or password_env, not both");
  }
  if (!password_file.empty()) {
    if (read_secret_file) o.password = ReadPasswordFile(section, password_file);
  } else if (!password_env.empty()) {
    const char* v = std::getenv(password_env.c_str());
    if (!v) section.Fail("password_env", "the variable " + password_env + " is not set");
    if (!*v) section.Fail("password_env", "the variable " + password_env + " is empty");
    o.password = v;
  }
  o.allow_plaintext = section.Bool("allow_plaintext", false);
  o.id_pool = section.String("id_pool");
  o.people = section.String("people", o.people);
  o.groups = section.String("groups", o.groups);
  o.computers = section.String("computers", o.computers);
  o.start_tls = section.Bool("start_tls", false);
  o.tls_verify = section.Bool("tls_verify", true);
  o.tls_ca_file = section.Resolve(section.String("tls_ca_file"));
  o.connect_timeout = std::chrono::milliseconds(section.Int("connect_timeout_ms", 5000, 1, 600000));
  o.operation_timeout = std::chrono::milliseconds(section.Int("timeout_ms", 30000, 1, 3600000));
  o.page_size = static_cast<int>(section.Int("page_size", 500, 0, 100000));
  return o;
}

}  // namespace

directory::BackendType LdapBackendType() {
  directory::BackendType type;
  type.name = "ldap";
  type.domains = true;
  type.kinds = {directory::ObjectKind::kUser, directory::ObjectKind::kGroup,
                directory::ObjectKind::kComputer};
  type.keys = {"ldap",       "base",          "bind_dn",      "schema",
               "sasl",       "password_file", "password_env", "allow_plaintext",
               "id_pool",    "people",        "groups",       "computers",
               "start_tls",  "tls_verify",    "tls_ca_file",  "connect_timeout_ms",
               "timeout_ms", "page_size"};
  type.domain_hint = "an ldap URL";
  type.check = [](ConfigSection& section, const BackendPlace& place) {
    Read(section, place, false);
  };
  type.build = [](ConfigSection& section, const BackendPlace& place) -> directory::BackendMaker {
    return [options = Read(section, place, true)] { return MakeLdapProvider(options); };
  };
  return type;
}

}  // namespace moxtrel::backends::ldap
