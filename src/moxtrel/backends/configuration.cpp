#include "moxtrel/backends/configuration.h"

#include <toml++/toml.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "moxtrel/directory/backend_registry.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/journal/audit_trail.h"
#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/platform/regular_file.h"
#include "moxtrel/routing/computer_parts.h"

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
class Section final : public ConfigSection {
 public:
  Section(const std::string& file, std::string key, const toml::table& table)
      : file_(file), folder_(fs::path(file).parent_path()), key_(std::move(key)), table_(table) {}

  std::string Key() const override { return key_; }
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
  [[noreturn]] void Fail(const std::string& key, const std::string& message) const override {
    Fail(key, KeyLine(key), message);
  }
  std::string Resolve(const std::string& path) const override {
    if (path.empty() || fs::path(path).is_absolute()) return path;
    return (folder_ / path).lexically_normal().string();
  }

  bool Has(const std::string& key) const override { return table_.contains(key); }
  std::string String(const std::string& key, const std::string& fallback = {}) override {
    seen_.insert(key);
    const toml::node* node = table_.get(key);
    if (!node) return fallback;
    if (auto s = node->value<std::string>()) return *s;
    Fail(key, "expected a string");
  }
  bool Bool(const std::string& key, bool fallback) override {
    seen_.insert(key);
    const toml::node* node = table_.get(key);
    if (!node) return fallback;
    if (auto b = node->value<bool>()) return *b;
    Fail(key, "expected true or false");
  }
  int64_t Int(const std::string& key, int64_t fallback, int64_t min, int64_t max) override {
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
  fs::path folder_;
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
    const auto& registry = BackendRegistry::Global();
    const std::vector<std::string> types = registry.DomainNames();
    // A domain is served by a seed or by the one type whose key it gives.
    std::optional<BackendType> type;
    for (const auto& type_name : types) {
      if (!section.Has(type_name)) continue;
      if (section.Has("seed")) section.Fail("seed", "give a seed or " + type_name + ", not both");
      if (type) section.Fail(type_name, "give " + type->name + " or " + type_name + ", not both");
      type = registry.Find(type_name);
    }
    const BackendPlace place{true, FromUtf8(name), {}};
    std::shared_ptr<DirectoryProvider> provider;
    if (type) {
      if (check_only_) {
        type->check(section, place);
        return;
      }
      const BackendMaker make = type->build(section, place);
      Add(section, FailureKey(section, *type, type->name),
          [&] { provider = Audited(make(), AuditAreaOf(type->kinds)); });
    } else {
      if (!section.Has("seed")) {
        std::string offers;
        for (const auto& type_name : types) {
          const auto t = registry.Find(type_name);
          offers += " or " + (t && !t->domain_hint.empty() ? t->domain_hint : type_name);
        }
        section.Fail("seed", "a domain needs a seed file" + offers);
      }
      const std::string seed = Resolve(section.String("seed"));
      Add(section, "seed", [&] { provider = Seeded(seed); });
    }
    Add(section, "", [&] { router_->AddDomain(place.name, provider); });
  }

  // A computer's parts, each chosen by a selector key naming a registered type (the accounts
  // one has a default, or a seed serves the whole computer). With more than one part, one
  // ComputerParts serves the computer.
  void AddComputer(const std::string& name, Section& section) {
    const auto& registry = BackendRegistry::Global();
    const BackendPlace place{false, FromUtf8(name), FromUtf8(section.String("domain"))};
    const bool seeded = section.Has("seed");
    // Each part with the key whose value made it, which a failure to make it names.
    struct Part {
      std::vector<ObjectKind> kinds;
      std::string key;
      BackendMaker make;
      std::shared_ptr<DirectoryProvider> backend;
    };
    std::vector<Part> parts;
    std::shared_ptr<DirectoryProvider> seed_directory;
    const std::vector<KindSelector> selectors = registry.Selectors();
    for (const auto& selector : selectors) {
      const std::string value =
          section.String(selector.key, selector.main && !seeded ? selector.fallback : "");
      if (selector.main && seeded) {
        if (!value.empty()) {
          section.Fail(selector.key, "give a seed or " + selector.key + ", not both");
        }
        const std::string seed = Resolve(section.String("seed"));
        Add(section, "seed", [&] { seed_directory = Seeded(seed); });
        continue;
      }
      const std::vector<std::string> names = registry.NamesFor(selector.key);
      if (value.empty()) {
        for (const auto& type_name : names) {
          const auto type = registry.Find(type_name);
          if (!type) continue;
          for (const auto& key : type->keys) {
            if (section.Has(key)) {
              section.Fail(key, "give " + selector.key + " = \"" + type_name + "\" too");
            }
          }
        }
        continue;
      }
      const auto type = registry.Find(value);
      if (!type || type->domains || type->selector != selector.key) {
        section.Fail(selector.key, "unknown " + selector.key + " backend \"" + value +
                                       "\" (expected " + QuotedChoice(names) + ")");
      }
      if (seeded) section.Fail(selector.key, "a seeded computer holds its own " + type->holds);
      if (check_only_) {
        type->check(section, place);
        continue;
      }
      const AuditArea area = AuditAreaOf(type->kinds);
      const BackendMaker make = type->build(section, place);
      parts.push_back({type->kinds, FailureKey(section, *type, selector.key),
                       [this, make, area] { return Audited(make(), area); }, nullptr});
    }
    if (seeded && !seed_directory) {
      // No accounts selector registered: the seed still serves the whole computer.
      const std::string seed = Resolve(section.String("seed"));
      Add(section, "seed", [&] { seed_directory = Seeded(seed); });
    }
    if (check_only_) return;
    if (!seeded && parts.empty()) {
      section.Fail(selectors.empty() ? std::string() : selectors.front().key,
                   "no backend serves this computer's users and groups");
    }
    if (seeded) {
      Add(section, "", [&] { router_->AddComputer(place.name, seed_directory); });
      return;
    }
    for (auto& part : parts) {
      Add(section, part.key, [&] { part.backend = part.make(); });
    }
    if (parts.size() == 1) {
      Add(section, "", [&] { router_->AddComputer(place.name, parts.front().backend); });
      return;
    }
    std::shared_ptr<ComputerParts> computer_parts;
    Add(section, "", [&] { computer_parts = std::make_shared<ComputerParts>(place.name); });
    for (auto& part : parts) {
      Add(section, part.key, [&] { computer_parts->Add(part.kinds, part.backend); });
    }
    Add(section, "", [&] { router_->AddComputer(place.name, computer_parts); });
  }

  // The key a failure to make a backend names: its own failure key when given, else the key
  // that chose it, else none (the section).
  static std::string FailureKey(const Section& section, const BackendType& type,
                                const std::string& chooser) {
    if (!type.failure_key.empty() && section.Has(type.failure_key)) return type.failure_key;
    return section.Has(chooser) ? chooser : "";
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
