#include "moxtrel/backends/configuration.h"

#include <sys/stat.h>
#include <toml++/toml.h>
#include <unistd.h>

#include <string.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "moxtrel/backends/cups/cups_provider.h"
#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/backends/ldap/ldap_connection.h"
#include "moxtrel/backends/ldap/ldap_provider.h"
#include "moxtrel/backends/samba/samba_provider.h"
#include "moxtrel/directory/audit_trail.h"
#include "moxtrel/directory/computer_parts.h"
#include "moxtrel/directory/memory_directory.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/platform/regular_file.h"

namespace moxtrel::directory {
namespace {

namespace fs = std::filesystem;

int LineOf(const toml::node& node) {
  return static_cast<int>(node.source().begin.line);
}

// Where a key is written; a table made only by dotted keys has no place of its own, but its key
// has.
int LineOf(const toml::key& key, const toml::node& node) {
  const auto line = static_cast<int>(key.source().begin.line);
  return line > 0 ? line : LineOf(node);
}

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name) != 0) {
    throw std::runtime_error(std::string("gethostname: ") + std::strerror(errno));
  }
  return name;
}

// Reads one section (a [domains.X] or [computers.X] table) and refuses what it does not know.
class Section {
 public:
  Section(const std::string& file, std::string key, const toml::table& table)
      : file_(file), key_(std::move(key)), table_(table) {}

  std::string Key() const { return key_; }
  int Line() const { return LineOf(table_); }
  // The line of the key itself, or the section's line when the key is not given.
  int KeyLine(const std::string& key) const {
    if (key.empty()) return Line();
    const auto it = table_.find(key);
    return it == table_.end() ? Line() : LineOf(it->first, it->second);
  }
  [[noreturn]] void Fail(const std::string& key, int line, const std::string& message) const {
    throw ConfigurationError(file_, line, key_ + "." + key, message);
  }
  // The same at the key's own line.
  [[noreturn]] void Fail(const std::string& key, const std::string& message) const {
    Fail(key, KeyLine(key), message);
  }

  bool Has(const std::string& key) const { return table_.contains(key); }
  std::string String(const std::string& key, const std::string& fallback = {}) {
    seen_.insert(key);
    const toml::node* node = table_.get(key);
    if (!node) return fallback;
    if (auto s = node->value<std::string>()) return *s;
    Fail(key, "expected a string");
  }
  bool Bool(const std::string& key, bool fallback) {
    seen_.insert(key);
    const toml::node* node = table_.get(key);
    if (!node) return fallback;
    if (auto b = node->value<bool>()) return *b;
    Fail(key, "expected true or false");
  }
  int64_t Int(const std::string& key, int64_t fallback, int64_t min, int64_t max) {
    seen_.insert(key);
    const toml::node* node = table_.get(key);
    if (!node) return fallback;
    auto v = node->value<int64_t>();
    if (!v) Fail(key, "expected a whole number");
    if (*v < min || *v > max) {
      Fail(key, "expected a number from " + std::to_string(min) + " to " + std::to_string(max));
    }
    return *v;
  }
  // Every key must have been read by the backend that the section chose.
  void RefuseUnknownKeys() const {
    for (const auto& [key, node] : table_) {
      if (!seen_.contains(std::string(key.str()))) {
        Fail(std::string(key.str()), LineOf(key, node), "unknown key");
      }
    }
  }

 private:
  const std::string& file_;
  std::string key_;
  const toml::table& table_;
  std::set<std::string> seen_;
};

class Builder {
 public:
  // A builder that only checks makes no backend: it reads no file and contacts no server.
  Builder(const std::string& file, bool check_only)
      : file_(file),
        folder_(fs::path(file).parent_path()),
        router_(std::make_shared<Router>()),
        check_only_(check_only) {}

  std::shared_ptr<Router> Build(const toml::table& root) {
    // The audit trail first: every backend made below is wrapped in it.
    if (const toml::node* audit = root.get("audit")) {
      const toml::table* table = audit->as_table();
      if (!table) throw ConfigurationError(file_, LineOf(*audit), "audit", "expected a table");
      Section section(file_, "audit", *table);
      SetUpAudit(section);
      section.RefuseUnknownKeys();
    } else if (!check_only_) {
      audit_ = AuditSink::Syslog();
    }
    for (const auto& [key, node] : root) {
      const std::string name(key.str());
      if (name == "audit") continue;
      if (name != "domains" && name != "computers") {
        throw ConfigurationError(
            file_, LineOf(key, node), name,
            "unknown section (expected [audit], [domains.NAME] or [computers.NAME])");
      }
      const toml::table* entries = node.as_table();
      if (!entries) {
        throw ConfigurationError(file_, LineOf(key, node), name, "expected a table");
      }
      for (const auto& [entry_key, entry] : *entries) {
        const toml::table* table = entry.as_table();
        const std::string entry_name(entry_key.str());
        if (!table) {
          throw ConfigurationError(file_, LineOf(entry_key, entry), name + "." + entry_name,
                                   "expected a table ([" + name + "." + entry_name + "])");
        }
        Section section(file_, name + "." + entry_name, *table);
        if (name == "domains") {
          AddDomain(entry_name, section);
        } else {
          AddComputer(entry_name == "this" ? HostName() : entry_name, section);
        }
        section.RefuseUnknownKeys();
      }
    }
    return router_;
  }

 private:
  // [audit] log = "syslog" (the default), "file" (with file = PATH) or "none".
  void SetUpAudit(Section& section) {
    const std::string log = section.String("log", "syslog");
    const std::string file = section.String("file");
    if (log != "syslog" && log != "file" && log != "none") {
      section.Fail("log",
                   "unknown audit log \"" + log + "\" (expected \"syslog\", \"file\" or \"none\")");
    }
    if (log == "file" && file.empty()) section.Fail("log", "give the audit file in file = PATH");
    if (log != "file" && !file.empty()) section.Fail("file", "give log = \"file\" too");
    if (check_only_ || log == "none") return;
    if (log == "syslog") {
      audit_ = AuditSink::Syslog();
      return;
    }
    try {
      audit_ = AuditSink::File(Resolve(file));
    } catch (const AutomationError& e) {
      section.Fail("file", ToUtf8(e.description()));
    }
  }

  // A real backend's changes go to the audit trail, when there is one.
  std::shared_ptr<DirectoryProvider> Audited(std::shared_ptr<DirectoryProvider> backend,
                                             AuditArea area) const {
    return audit_ ? AuditTrail::Wrap(std::move(backend), audit_, area) : backend;
  }

  void AddDomain(const std::string& name, Section& section) {
    if (section.Has("ldap")) {
      if (section.Has("seed")) section.Fail("seed", "give a seed or ldap, not both");
      AddLdapDomain(name, section);
      return;
    }
    if (!section.Has("seed")) {
      section.Fail("seed", "a domain needs a seed file or an ldap URL");
    }
    const std::string seed = Resolve(section.String("seed"));
    std::shared_ptr<DirectoryProvider> provider;
    Add(section, "seed", [&] { provider = Seeded(seed); });
    Add(section, "", [&] { router_->AddDomain(FromUtf8(name), provider); });
  }

  void AddLdapDomain(const std::string& name, Section& section) {
    namespace ldap = backends::ldap;
    ldap::LdapOptions o;
    o.domain = FromUtf8(name);
    o.url = section.String("ldap");
    // Not echoed: the URL would print the password.
    if (ldap::UrlHoldsUserInfo(o.url)) {
      section.Fail("ldap",
                   "the URL holds user information (user:password@), which is not shown here; "
                   "give the password in password_file or password_env");
    }
    o.base = section.String("base");
    if (o.base.empty()) section.Fail("base", "an LDAP domain needs its base DN");
    o.bind_dn = section.String("bind_dn");
    const std::string schema = section.String("schema", "rfc2307");
    if (schema == "dc") {
      o.schema = ldap::LdapSchema::kDc;
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
    if (!password_file.empty() && !check_only_) {
      const std::string path = Resolve(password_file);
      std::optional<std::string> text;
      try {
        text = platform::ReadRegularFile(path, kMaxPasswordFileBytes);
      } catch (const platform::RegularFileError& e) {
        section.Fail("password_file", e.what());
      }
      if (!text) section.Fail("password_file", path + ": " + std::strerror(ENOENT));
      o.password = text->substr(0, text->find('\n'));
      explicit_bzero(text->data(), text->size());
      // As ssh refuses a private key that others can read.
      struct stat st {};
      if (stat(path.c_str(), &st) == 0 && (st.st_mode & 077) != 0) {
        section.Fail("password_file",
                     path +
                         ": the secret can be read by its group or by others; make it readable "
                         "by its owner only (chmod 600)");
      }
      if (o.password.empty())
        section.Fail("password_file", path + ": the first line, the password, is empty");
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
    o.tls_ca_file = Resolve(section.String("tls_ca_file"));
    o.connect_timeout =
        std::chrono::milliseconds(section.Int("connect_timeout_ms", 5000, 1, 600000));
    o.operation_timeout = std::chrono::milliseconds(section.Int("timeout_ms", 30000, 1, 3600000));
    o.page_size = static_cast<int>(section.Int("page_size", 500, 0, 100000));
    std::shared_ptr<DirectoryProvider> provider;
    Add(section, "ldap",
        [&] { provider = Audited(ldap::MakeLdapProvider(o), AuditArea::kAccounts); });
    Add(section, "", [&] { router_->AddDomain(o.domain, provider); });
  }

  // A computer's accounts come from its files (or a seed); its printing may come from a CUPS
  // server and its file shares from a Samba server. With either, one ComputerParts serves it.
  void AddComputer(const std::string& name, Section& section) {
    const std::u16string computer = FromUtf8(name);
    const std::u16string domain = FromUtf8(section.String("domain"));
    const bool seeded = section.Has("seed");
    const std::string accounts = section.String("accounts", seeded ? "" : "files");
    std::shared_ptr<DirectoryProvider> main;
    if (seeded) {
      if (!accounts.empty()) {
        section.Fail("accounts", "give a seed or accounts, not both");
      }
      const std::string seed = Resolve(section.String("seed"));
      Add(section, "seed", [&] { main = Seeded(seed); });
    } else {
      if (accounts != "files") {
        section.Fail("accounts",
                     "unknown accounts backend \"" + accounts + "\" (expected \"files\")");
      }
      backends::files::FilesOptions options;
      options.root = Resolve(section.String("root", "/"));
      options.computer = computer;
      options.domain = domain;
      options.allow_shutdown = section.Bool("allow_shutdown", false);
      const char* key = section.Has("root") ? "root" : section.Has("accounts") ? "accounts" : "";
      Add(section, key, [&] {
        main = Audited(backends::files::MakeFilesProvider(options), AuditArea::kAccounts);
      });
    }

    // Printing and shares may each come from a server of their own beside the accounts.
    // Each part with the key whose value made it, which a failure to make it names.
    struct Part {
      std::vector<ObjectKind> kinds;
      std::string key;
      std::function<std::shared_ptr<DirectoryProvider>()> make;
    };
    std::vector<Part> parts;
    const std::string printing = section.String("printing");
    if (printing.empty()) {
      for (const char* key : {"cups", "cups_user"}) {
        if (section.Has(key)) section.Fail(key, "give printing = \"cups\" too");
      }
    } else {
      if (printing != "cups") {
        section.Fail("printing",
                     "unknown printing backend \"" + printing + "\" (expected \"cups\")");
      }
      if (seeded) {
        section.Fail("printing", "a seeded computer holds its own print queues");
      }
      backends::cups::CupsOptions cups;
      cups.server = section.String("cups");
      cups.user = section.String("cups_user");
      cups.computer = computer;
      cups.domain = domain;
      parts.push_back({{ObjectKind::kPrintQueue, ObjectKind::kPrintJob},
                       section.Has("cups") ? "cups" : "printing",
                       [this, cups] {
                         return Audited(backends::cups::MakeCupsProvider(cups),
                                        AuditArea::kPrinting);
                       }});
    }
    const std::string shares = section.String("shares");
    if (shares.empty()) {
      if (section.Has("smb_conf")) {
        section.Fail("smb_conf", "give shares = \"samba\" too");
      }
    } else {
      if (shares != "samba") {
        section.Fail("shares", "unknown shares backend \"" + shares + "\" (expected \"samba\")");
      }
      if (seeded) {
        section.Fail("shares", "a seeded computer holds its own file shares");
      }
      backends::samba::SambaOptions samba;
      samba.smb_conf = Resolve(section.String("smb_conf", samba.smb_conf));
      samba.computer = computer;
      samba.domain = domain;
      parts.push_back({{ObjectKind::kFileService, ObjectKind::kFileShare},
                       section.Has("smb_conf") ? "smb_conf" : "shares",
                       [this, samba] {
                         return Audited(backends::samba::MakeSambaProvider(samba),
                                        AuditArea::kShares);
                       }});
    }
    if (parts.empty()) {
      Add(section, "", [&] { router_->AddComputer(computer, main); });
      return;
    }
    std::shared_ptr<ComputerParts> computer_parts;
    Add(section, "", [&] {
      computer_parts = std::make_shared<ComputerParts>(computer);
      computer_parts->Add({ObjectKind::kUser, ObjectKind::kGroup}, main);
    });
    for (auto& part : parts) {
      Add(section, part.key, [&] { computer_parts->Add(part.kinds, part.make()); });
    }
    Add(section, "", [&] { router_->AddComputer(computer, computer_parts); });
  }

  // One embedded directory per seed file, so a domain and its computers share it.
  std::shared_ptr<DirectoryProvider> Seeded(const std::string& path) {
    auto& dir = seeds_[path];
    if (!dir) dir = MemoryDirectory::FromFile(path);
    return dir;
  }

  std::string Resolve(const std::string& path) const {
    if (path.empty() || fs::path(path).is_absolute()) return path;
    return (folder_ / path).lexically_normal().string();
  }

  // Makes a backend, or adds one to the router; a failure names `key` (the one whose value
  // made the backend) at its own line, or the section when `key` is empty.
  template <class F>
  void Add(const Section& section, const std::string& key, F&& add) {
    if (check_only_) return;
    const std::string name = key.empty() ? section.Key() : section.Key() + "." + key;
    try {
      add();
    } catch (const AutomationError& e) {
      throw ConfigurationError(file_, section.KeyLine(key), name, ToUtf8(e.description()));
    } catch (const SeedError& e) {
      throw ConfigurationError(file_, section.KeyLine(key), name, e.what());
    }
  }

  const std::string& file_;
  fs::path folder_;
  std::shared_ptr<Router> router_;
  std::shared_ptr<AuditSink> audit_;
  std::map<std::string, std::shared_ptr<MemoryDirectory>> seeds_;
  bool check_only_;
};

}  // namespace

ConfigurationError::ConfigurationError(const std::string& file, int line, const std::string& key,
                                       const std::string& message)
    : std::runtime_error(file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " +
                         (key.empty() ? "" : key + ": ") + message),
      file_(file),
      message_((key.empty() ? "" : key + ": ") + message),
      line_(line) {}

namespace {

toml::table ParseToml(std::string_view text, const std::string& file) {
  try {
    return toml::parse(text, file);
  } catch (const toml::parse_error& e) {
    throw ConfigurationError(file, static_cast<int>(e.source().begin.line), "",
                             std::string(e.description()));
  }
}

}  // namespace

std::shared_ptr<Router> ParseConfiguration(std::string_view text, const std::string& file) {
  return Builder(file, false).Build(ParseToml(text, file));
}

void CheckConfiguration(std::string_view text, const std::string& file) {
  Builder(file, true).Build(ParseToml(text, file));
}

std::shared_ptr<Router> LoadConfiguration(const std::string& file) {
  std::optional<std::string> text;
  try {
    text = platform::ReadRegularFile(file, kMaxConfigurationBytes);
  } catch (const platform::RegularFileError& e) {
    throw ConfigurationError(file, 0, "", e.reason());
  }
  if (!text) throw ConfigurationError(file, 0, "", std::strerror(ENOENT));
  return ParseConfiguration(*text, file);
}

}  // namespace moxtrel::directory
