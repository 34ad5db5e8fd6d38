// BackendRegistry: the backend types a configuration can name. A type has a name, the kinds of
// object it serves, and one function each to check and to build its configuration section; the
// configuration reader finds a section's backends here and knows none of their keys.
//
//   [computers.PC1]
//   accounts = "files"      # the selector `accounts` names the type "files"
//   root = "/srv/pc1"       # a key of "files", read by its own check and build
//
//   BackendRegistry::Global().Add(MyBackendType());   // tests may add a toy type and Remove it
//
// The built-in types are registered by one list (RegisterBuiltinBackends).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "moxtrel/directory/path.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/journal/audit_trail.h"

namespace moxtrel::directory {

// One [domains.X] or [computers.X] table as a backend reads it. Each getter marks its key as
// read: a key no backend reads is refused as unknown. A failure names the key at its own line.
class ConfigSection {
 public:
  virtual ~ConfigSection() = default;
  // "computers.PC1"
  virtual std::string Key() const = 0;
  virtual bool Has(const std::string& key) const = 0;
  virtual std::string String(const std::string& key, const std::string& fallback = {}) = 0;
  virtual bool Bool(const std::string& key, bool fallback) = 0;
  virtual int64_t Int(const std::string& key, int64_t fallback, int64_t min, int64_t max) = 0;
  // Throws ConfigurationError "file:line: section.key: message".
  [[noreturn]] virtual void Fail(const std::string& key, const std::string& message) const = 0;
  // A file name taken from the configuration file's folder when relative; empty stays empty.
  virtual std::string Resolve(const std::string& path) const = 0;
};

// Where a section puts its backend.
struct BackendPlace {
  bool domain = false;       // a [domains.X] section; else [computers.X]
  std::u16string name;       // the domain's or the computer's name
  std::u16string of_domain;  // a computer's `domain` key, empty when not given
};

// Makes the backend a build read; called once every part of the section has been read.
using BackendMaker = std::function<std::shared_ptr<DirectoryProvider>()>;

struct BackendType {
  // The value that chooses it ("cups"); for a domain type also the key holding its address.
  std::string name;
  // Computers: the key whose value names the type ("printing"). Empty for a domain type.
  std::string selector;
  std::vector<ObjectKind> kinds;
  bool domains = false;  // serves [domains.X] sections; else [computers.X] parts
  // Chosen when the selector is not given (only for the accounts part).
  bool is_default = false;
  // The type's own keys; one given without the selector is refused as "give S = "name" too".
  std::vector<std::string> keys;
  // The key a failure to make the backend names, when given; else the selector's (or name's).
  std::string failure_key;
  // What a seeded computer holds itself instead ("print queues"), in "holds its own ...".
  std::string holds;
  // A domain type as "a domain needs a seed file or ..." offers it ("an ldap URL").
  std::string domain_hint;
  // Reads and checks every key it owns; reads no other file and contacts no server.
  std::function<void(ConfigSection&, const BackendPlace&)> check;
  // Reads the section as check does (and what check leaves alone, such as a password file)
  // and returns what makes the backend.
  std::function<BackendMaker(ConfigSection&, const BackendPlace&)> build;
};

// Sets check and build for a backend whose keys become one options value: `read` reads and
// checks them into it, `make` makes the backend from it.
//
//   ReadThenMake(type, ReadCupsOptions, MakeCupsProvider);
template <class Read, class Make>
void ReadThenMake(BackendType& type, Read read, Make make) {
  type.check = [read](ConfigSection& section, const BackendPlace& place) { read(section, place); };
  type.build = [read, make](ConfigSection& section, const BackendPlace& place) -> BackendMaker {
    return [options = read(section, place), make] { return make(options); };
  };
}

// A computer's key naming a backend type, with the kinds the part serves.
struct KindSelector {
  std::string key;                // "printing"
  std::vector<ObjectKind> kinds;  // of the first type registered for it
  std::string fallback;           // the default type's name, or empty
  bool main = false;              // serves users: the computer's own part
};

// Where an audited backend's changes go: by the kinds it serves.
AuditArea AuditAreaOf(const std::vector<ObjectKind>& kinds);

// "\"a\"", "\"a\" or \"b\"", "\"a\", \"b\" or \"c\""
std::string QuotedChoice(const std::vector<std::string>& names);

class BackendRegistry {
 public:
  // The process's registry, holding the built-in types.
  static BackendRegistry& Global();

  // Throws std::invalid_argument for an empty or taken name, no kinds, no check or no build, or
  // a computer type without a selector.
  void Add(BackendType type);
  // False when no type has that name.
  bool Remove(const std::string& name);

  std::optional<BackendType> Find(const std::string& name) const;
  // In registration order.
  std::vector<BackendType> Types() const;
  // The names of the types a selector can name (computers), or of the domain types.
  std::vector<std::string> NamesFor(const std::string& selector) const;
  std::vector<std::string> DomainNames() const;
  // The computers' selectors, the accounts one first, then in registration order.
  std::vector<KindSelector> Selectors() const;

 private:
  mutable std::mutex mutex_;
  std::vector<BackendType> types_;
};

// The one list of built-in backend types.
void RegisterBuiltinBackends(BackendRegistry& registry);

}  // namespace moxtrel::directory
