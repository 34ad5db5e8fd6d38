// A fresh directory plus fake system facts naming the local computer "PC1", which is seeded as
// a workgroup computer; the per-thread computer name cache starts empty.
#pragma once

#include <memory>
#include <string>

#include "moxtrel/platform/fake_system_facts.h"
#include "moxtrel/services/mod_general.h"
#include "support/directory_fixture.h"
#include "support/faults.h"

namespace moxtrel::testing {

class ServicesTest : public DirectoryTest {
 protected:
  ServicesTest() : facts(platform::FakeSystemFacts::Create()) {
    facts->SetComputerName(u"PC1");
    platform::SetCurrentSystemFacts(facts);
    modGeneral::internal::ResetLocalComputerName();
    pc1 = build.AddComputer(u"", u"PC1");
  }
  ~ServicesTest() override {
    platform::SetCurrentSystemFacts(nullptr);
    modGeneral::internal::ResetLocalComputerName();
  }

  // "IADsServiceOperations.Start" and the like, counted on every path.
  std::size_t Calls(std::u16string_view member) const { return layer->Journal().Count(member); }

  // Makes the next call of `member` on `path` (any path when empty) fail once.
  void FailNext(std::u16string member, std::u16string path = {}) {
    FailOn(layer->Faults(), std::move(member), std::move(path));
  }

  std::shared_ptr<platform::FakeSystemFacts> facts;
  std::u16string pc1;
};

}  // namespace moxtrel::testing
