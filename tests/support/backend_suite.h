// One suite, several backends: a parameterised fixture that runs the same object-model test
// against the embedded directory and against each real backend, each holding the same
// accounts in one container (computer PC1's local accounts, or domain CORP's) and wrapped in a
// journal layer.
//
//   class AccountsSuite : public BackendTest {};
//   TEST_P(AccountsSuite, ...) { auto server = Server(); ... layer->Journal() ... }
//   INSTANTIATE_TEST_SUITE_P(Backends, AccountsSuite, AccountBackends(), BackendName);
//
// Every backend starts each test holding, in its container (kComputer or kDomain),
//   users  alice ("Alice Liddell", "Engineer") and bob ("Bob Ames", no description),
//   groups users (alice, bob: their primary group where the backend has one), staff (alice)
//          and admins (no members).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/journal/journal_layer.h"
#include "moxtrel/servers/server.h"

namespace moxtrel::testing {

inline constexpr std::u16string_view kComputer = u"PC1";
inline constexpr std::u16string_view kDomain = u"CORP";

// A backend holding the seed above, for one test; destroyed (servers stopped, trees removed)
// at the end of it.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::shared_ptr<directory::DirectoryProvider> Provider() = 0;
  // The container holding the seeded accounts: computer PC1 (moxLocal) or domain CORP
  // (moxGlobal).
  virtual moxType Scope() const { return moxType::moxLocal; }
  // Why this backend cannot run here (a server not installed); empty when it can.
  virtual std::string Unavailable() const { return {}; }
  std::u16string Container() const {
    return std::u16string(Scope() == moxType::moxLocal ? kComputer : kDomain);
  }
};

struct BackendFactory {
  std::string name;
  std::function<std::unique_ptr<Backend>()> make;
};

// The backends that hold accounts: the embedded directory (a computer and a domain), the
// files backend, the memory backend as a configuration builds it and, where slapd is installed, the
// LDAP backend over a private server in both schema profiles (rfc2307 and dc).
std::vector<BackendFactory> AccountBackends();

// gtest shows a parameter by its name.
inline void PrintTo(const BackendFactory& factory, std::ostream* os) {
  *os << factory.name;
}

inline std::string BackendName(const ::testing::TestParamInfo<BackendFactory>& info) {
  return info.param.name;
}

class BackendTest : public ::testing::TestWithParam<BackendFactory> {
 protected:
  BackendTest() : backend(GetParam().make()) {
    if (!backend->Unavailable().empty()) return;
    layer = directory::JournalLayer::Wrap(backend->Provider());
    directory::SetCurrentProvider(layer);
  }
  void SetUp() override {
    if (!backend->Unavailable().empty()) GTEST_SKIP() << backend->Unavailable();
  }
  ~BackendTest() override { directory::SetCurrentProvider(nullptr); }

  // A server bound to the seeded computer.
  std::shared_ptr<moxServer> Server() {
    auto server = moxServer::Create();
    server->Name(std::u16string(kComputer));
    return server;
  }
  // The users and groups of the seeded container, whichever kind it is.
  std::shared_ptr<moxUsers> Users() {
    if (backend->Scope() == moxType::moxLocal) return Server()->Users();
    auto domain = moxDomain::Create();
    domain->Name(backend->Container());
    return domain->Users();
  }
  std::shared_ptr<moxGroups> Groups() {
    if (backend->Scope() == moxType::moxLocal) return Server()->Groups();
    auto domain = moxDomain::Create();
    domain->Name(backend->Container());
    return domain->Groups();
  }

  std::unique_ptr<Backend> backend;
  std::shared_ptr<directory::JournalLayer> layer;
};

}  // namespace moxtrel::testing
