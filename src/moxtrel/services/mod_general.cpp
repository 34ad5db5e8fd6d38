#include "moxtrel/services/mod_general.h"

#include "moxtrel/platform/system_facts.h"

namespace moxtrel::modGeneral {
namespace {
// Objects are used on the thread that made them, so each thread keeps its own copy.
thread_local std::u16string cached_computer_name;
}  // namespace

std::u16string GetLocalComputerName() {
  if (cached_computer_name.empty()) {
    cached_computer_name = platform::CurrentSystemFacts()->ComputerName();
  }
  return cached_computer_name;
}

namespace internal {
void ResetLocalComputerName() noexcept {
  cached_computer_name.clear();
}
}  // namespace internal

}  // namespace moxtrel::modGeneral
