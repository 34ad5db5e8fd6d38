// The backend registry: a type registered by name is what a configuration can name, with its
// own keys checked by its own functions, and nothing else.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

#include "moxtrel/accounts/users.h"
#include "moxtrel/backends/configuration.h"
#include "moxtrel/directory/backend_registry.h"
#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/servers/server.h"

namespace moxtrel::testing {
namespace {

using directory::BackendRegistry;
using directory::BackendType;
using directory::ConfigSection;
using directory::ConfigurationError;
using directory::ObjectKind;
using ::testing::HasSubstr;

std::string ErrorOf(const std::string& text, bool check_only = false) {
  try {
    if (check_only) {
      directory::CheckConfiguration(text, "/cfg/moxtrel.toml");
    } else {
      directory::ParseConfiguration(text, "/cfg/moxtrel.toml");
    }
  } catch (const ConfigurationError& e) {
    return e.what();
  }
  return "";
}

std::atomic<int> toy_checks{0};
std::atomic<int> toy_builds{0};
std::atomic<int> toy_makes{0};

// A toy services backend: one service, named by its key toy_service, in a store of its own.
BackendType ToyType() {
  BackendType type;
  type.name = "toy";
  type.selector = "services";
  type.kinds = {ObjectKind::kService};
  type.keys = {"toy_service"};
  type.holds = "services";
  type.check = [](ConfigSection& section, const directory::BackendPlace&) {
    ++toy_checks;
    section.String("toy_service", "Spooler");
  };
  type.build = [](ConfigSection& section, const directory::BackendPlace& place) {
    ++toy_builds;
    const std::string service = section.String("toy_service", "Spooler");
    if (service.empty()) section.Fail("toy_service", "name a service");
    return directory::BackendMaker([computer = place.name, service] {
      ++toy_makes;
      auto dir = directory::MemoryDirectory::Create();
      directory::DirectoryBuilder builder(*dir);
      builder.AddService(builder.AddComputer(u"", computer),
                         std::u16string(service.begin(), service.end()));
      return std::shared_ptr<directory::DirectoryProvider>(dir);
    });
  };
  return type;
}

// Registered for one test, removed also when it fails.
struct ToyRegistered {
  ToyRegistered() { BackendRegistry::Global().Add(ToyType()); }
  ~ToyRegistered() { BackendRegistry::Global().Remove("toy"); }
};

TEST(BackendRegistryTest, ARegisteredTypeIsOneMoreChoice) {
  {
    ToyRegistered toy;
    const std::string conf =
        "[computers.PC1]\naccounts = \"memory\"\nservices = \"toy\"\ntoy_service = \"Spooler\"\n";
    toy_checks = toy_builds = toy_makes = 0;
    directory::CheckConfiguration(conf, "/cfg/moxtrel.toml");
    EXPECT_EQ(toy_checks, 1);
    EXPECT_EQ(toy_builds + toy_makes, 0);  // checking makes nothing

    auto router = directory::ParseConfiguration(conf, "/cfg/moxtrel.toml");
    EXPECT_EQ(toy_makes, 1);
    EXPECT_EQ(router->GetObject(u"WinNT://PC1/Spooler,service")->Name(), u"Spooler");
    // Its changes go to the audit trail under the area of the kinds it serves.
    char folder[] = "/tmp/moxtrel-registry-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string audit = std::string(folder) + "/audit.log";
    auto audited = directory::ParseConfiguration(
        "[audit]\nlog = \"file\"\nfile = \"" + audit + "\"\n" + conf, "/cfg/moxtrel.toml");
    auto service = audited->GetObject(u"WinNT://PC1/Spooler,service");
    service->Put(u"DisplayName", Variant(u"Print Spooler"));
    service->SetInfo();
    std::ifstream log(audit);
    std::stringstream logged;
    logged << log.rdbuf();
    EXPECT_THAT(logged.str(), HasSubstr("] services: "));
    EXPECT_THAT(logged.str(), HasSubstr("WinNT://PC1/Spooler"));
    std::filesystem::remove_all(folder);
    // Its users still come from the accounts part.
    EXPECT_THROW(router->GetObject(u"WinNT://PC1/alice,user"), AutomationError);

    // Its own key, read by its own functions: typed, and refused without the selector.
    EXPECT_EQ(ErrorOf("[computers.PC1]\nservices = \"toy\"\ntoy_service = 5\n"),
              "/cfg/moxtrel.toml:3: computers.PC1.toy_service: expected a string");
    EXPECT_EQ(ErrorOf("[computers.PC1]\nservices = \"toy\"\ntoy_service = 5\n", true),
              "/cfg/moxtrel.toml:3: computers.PC1.toy_service: expected a string");
    EXPECT_EQ(ErrorOf("[computers.PC1]\nservices = \"toy\"\n\ntoy_service = \"\"\n"),
              "/cfg/moxtrel.toml:4: computers.PC1.toy_service: name a service");
    EXPECT_EQ(ErrorOf("[computers.PC1]\ntoy_service = \"Spooler\"\n"),
              "/cfg/moxtrel.toml:2: computers.PC1.toy_service: give services = \"toy\" too");
    // An unknown name lists the registered ones for that selector; a type of another selector
    // is unknown there.
    EXPECT_EQ(ErrorOf("[computers.PC1]\nservices = \"systemd\"\n"),
              "/cfg/moxtrel.toml:2: computers.PC1.services: unknown services backend "
              "\"systemd\" (expected \"toy\")");
    EXPECT_EQ(ErrorOf("[computers.PC1]\nprinting = \"toy\"\n"),
              "/cfg/moxtrel.toml:2: computers.PC1.printing: unknown printing backend \"toy\" "
              "(expected \"cups\")");
    EXPECT_EQ(ErrorOf("[computers.PC1]\naccounts = \"ldap\"\n"),
              "/cfg/moxtrel.toml:2: computers.PC1.accounts: unknown accounts backend \"ldap\" "
              "(expected \"files\" or \"memory\")");
    EXPECT_EQ(ErrorOf("[computers.PC1]\nseed = \"a.json\"\nservices = \"toy\"\n", true),
              "/cfg/moxtrel.toml:3: computers.PC1.services: a seeded computer holds its own "
              "services");
  }
  // Removed, its selector and keys are unknown again.
  EXPECT_EQ(ErrorOf("[computers.PC1]\naccounts = \"memory\"\nservices = \"toy\"\n"),
            "/cfg/moxtrel.toml:3: computers.PC1.services: unknown key");
  EXPECT_FALSE(BackendRegistry::Global().Find("toy"));
  EXPECT_FALSE(BackendRegistry::Global().Remove("toy"));
}

TEST(BackendRegistryTest, RefusesAnIncompleteOrTakenType) {
  EXPECT_THROW(BackendRegistry::Global().Add(directory::BackendType{}), std::invalid_argument);
  BackendType no_selector = ToyType();
  no_selector.selector.clear();
  EXPECT_THROW(BackendRegistry::Global().Add(no_selector), std::invalid_argument);
  BackendType no_build = ToyType();
  no_build.build = nullptr;
  EXPECT_THROW(BackendRegistry::Global().Add(no_build), std::invalid_argument);
  BackendType taken = ToyType();
  taken.name = "files";
  EXPECT_THROW(BackendRegistry::Global().Add(taken), std::invalid_argument);
  EXPECT_EQ(BackendRegistry::Global().Find("files")->selector, "accounts");
  // Each built-in type names its selector, its keys and whom its changes are audited as.
  for (const auto& type : BackendRegistry::Global().Types()) {
    EXPECT_TRUE(type.domains || !type.selector.empty()) << type.name;
  }
  EXPECT_EQ(directory::AuditAreaOf(BackendRegistry::Global().Find("cups")->kinds),
            directory::AuditArea::kPrinting);
  EXPECT_EQ(directory::AuditAreaOf(BackendRegistry::Global().Find("samba")->kinds),
            directory::AuditArea::kShares);
  EXPECT_EQ(directory::AuditAreaOf(BackendRegistry::Global().Find("ldap")->kinds),
            directory::AuditArea::kAccounts);
}

// The template backend: an empty in-memory store for one computer's accounts.
TEST(BackendRegistryTest, MemoryBackendHoldsAComputersAccounts) {
  directory::SetCurrentProvider(directory::ParseConfiguration(
      "[computers.PC1]\naccounts = \"memory\"\n", "/cfg/moxtrel.toml"));
  auto server = moxServer::Create();
  server->Name(u"PC1");
  EXPECT_EQ(server->Users()->Count(), 0);
  std::u16string carol = u"carol";
  EXPECT_TRUE(server->Users()->Add(carol, u"Carol Ames"));
  EXPECT_EQ(server->Users()->Count(), 1);
  directory::SetCurrentProvider(nullptr);
  EXPECT_EQ(ErrorOf("[computers.PC1]\naccounts = \"memory\"\nroot = \"/\"\n"),
            "/cfg/moxtrel.toml:3: computers.PC1.root: unknown key");
}

// docs/configuration.md's table of keys, by section ("[domains.NAME]" -> its keys): the
// backticked names in the Key column of each row.
std::map<std::string, std::set<std::string>> DocumentedKeys() {
  std::ifstream in(std::string(MOXTREL_SOURCE_DIR) + "/docs/configuration.md");
  std::map<std::string, std::set<std::string>> keys;
  std::string line, section;
  const std::regex row(R"(^\| *([^|]*?) *\| *([^|]*?) *\|)");
  const std::regex name("`([a-z_]+)`");
  while (std::getline(in, line)) {
    std::smatch m;
    if (!std::regex_search(line, m, row)) continue;
    const std::string first = m[1], second = m[2];
    if (first.starts_with("`[")) section = first.substr(1, first.size() - 2);
    if (section.empty()) continue;
    for (std::sregex_iterator it(second.begin(), second.end(), name), end; it != end; ++it) {
      keys[section].insert((*it)[1]);
    }
  }
  return keys;
}

// The table of keys is the registry's: each backend's keys, selector and choices are in it, and
// it holds no key that neither a backend nor the section itself reads.
TEST(BackendRegistryTest, TheDocumentedKeysAreTheRegisteredOnes) {
  auto documented = DocumentedKeys();
  auto& domains = documented["[domains.NAME]"];
  auto& computers = documented["[computers.NAME]"];
  ASSERT_FALSE(domains.empty());
  ASSERT_FALSE(computers.empty());
  std::set<std::string> domain_keys = {"seed"}, computer_keys = {"seed", "domain"};
  for (const auto& type : BackendRegistry::Global().Types()) {
    auto& section = type.domains ? domain_keys : computer_keys;
    section.insert(type.keys.begin(), type.keys.end());
    section.insert(type.domains ? type.name : type.selector);
  }
  EXPECT_EQ(domains, domain_keys);
  EXPECT_EQ(computers, computer_keys);
  // Each computer type's name is given as its selector's value in the selector's row.
  std::ifstream in(std::string(MOXTREL_SOURCE_DIR) + "/docs/configuration.md");
  std::stringstream text;
  text << in.rdbuf();
  for (const auto& type : BackendRegistry::Global().Types()) {
    if (type.domains) continue;
    const std::regex row("\\| `" + type.selector + "` \\|[^\\n]*\"" + type.name + "\"");
    EXPECT_TRUE(std::regex_search(text.str(), row)) << type.name;
  }
}

}  // namespace
}  // namespace moxtrel::testing
