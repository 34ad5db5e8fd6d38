#include "moxtrel/platform/system_facts.h"

#include "moxtrel/platform/linux_system_facts.h"

namespace moxtrel::platform {
namespace {
std::shared_ptr<SystemFacts>& Slot() {
  static std::shared_ptr<SystemFacts> current;
  return current;
}
}  // namespace

std::shared_ptr<SystemFacts> CurrentSystemFacts() {
  if (!Slot()) Slot() = LinuxSystemFacts::Create();
  return Slot();
}

void SetCurrentSystemFacts(std::shared_ptr<SystemFacts> facts) {
  Slot() = std::move(facts);
}

}  // namespace moxtrel::platform
