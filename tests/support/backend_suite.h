// One suite, several backends: a parameterised fixture that runs the same object-model test
// against the embedded directory and against each real backend, each holding the same
// computer with the same local accounts and wrapped in a journal layer.
//
//   class AccountsSuite : public BackendTest {};
//   TEST_P(AccountsSuite, ...) { auto server = Server(); ... layer->Journal() ... }
//   INSTANTIATE_TEST_SUITE_P(Backends, AccountsSuite, AccountBackends(), BackendName);
//
// Every backend starts each test holding the computer kComputer with
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

#include "moxtrel/directory/journal_layer.h"
#include "moxtrel/servers/server.h"

namespace moxtrel::testing {

inline constexpr std::u16string_view kComputer = u"PC1";

// A backend holding the seed above, for one test; destroyed (servers stopped, trees removed)
// at the end of it.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::shared_ptr<directory::DirectoryProvider> Provider() = 0;
};

struct BackendFactory {
  std::string name;
  std::function<std::unique_ptr<Backend>()> make;
};

// The backends that hold local accounts: the embedded directory and the files backend.
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
  BackendTest()
      : backend(GetParam().make()), layer(directory::JournalLayer::Wrap(backend->Provider())) {
    directory::SetCurrentProvider(layer);
  }
  ~BackendTest() override { directory::SetCurrentProvider(nullptr); }

  // A server bound to the seeded computer.
  std::shared_ptr<moxServer> Server() {
    auto server = moxServer::Create();
    server->Name(std::u16string(kComputer));
    return server;
  }

  std::unique_ptr<Backend> backend;
  std::shared_ptr<directory::JournalLayer> layer;
};

}  // namespace moxtrel::testing
