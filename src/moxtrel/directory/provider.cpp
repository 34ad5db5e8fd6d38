#include "moxtrel/directory/provider.h"

namespace moxtrel::directory {
namespace {
std::shared_ptr<DirectoryProvider>& Slot() {
  static std::shared_ptr<DirectoryProvider> current;
  return current;
}
}  // namespace

std::shared_ptr<DirectoryProvider> CurrentProvider() {
  if (!Slot()) {
    throw AutomationError(errc::kFail,
                          u"No directory provider is installed: call SetCurrentProvider first");
  }
  return Slot();
}

void SetCurrentProvider(std::shared_ptr<DirectoryProvider> provider) {
  Slot() = std::move(provider);
}

}  // namespace moxtrel::directory
