#include "moxtrel/directory/provider.h"

#include <mutex>
#include <utility>

namespace moxtrel::directory {
namespace {

struct ProcessSlot {
  std::mutex mutex;
  std::shared_ptr<DirectoryProvider> provider;
};

ProcessSlot& Process() {
  static ProcessSlot slot;
  return slot;
}

std::shared_ptr<DirectoryProvider>& ThreadSlot() {
  thread_local std::shared_ptr<DirectoryProvider> provider;
  return provider;
}

}  // namespace

std::shared_ptr<DirectoryProvider> CurrentProvider() {
  if (const auto& mine = ThreadSlot()) return mine;
  std::shared_ptr<DirectoryProvider> shared;
  {
    std::lock_guard lock(Process().mutex);
    shared = Process().provider;
  }
  if (!shared) {
    throw AutomationError(errc::kFail,
                          u"No directory provider is installed: call SetCurrentProvider first");
  }
  return shared;
}

void SetCurrentProvider(std::shared_ptr<DirectoryProvider> provider) {
  std::shared_ptr<DirectoryProvider> old;
  {
    std::lock_guard lock(Process().mutex);
    old = std::exchange(Process().provider, std::move(provider));
  }
  // `old` is released here, outside the lock: a provider's destructor may take locks of its own.
}

void SetThreadProvider(std::shared_ptr<DirectoryProvider> provider) {
  ThreadSlot() = std::move(provider);
}

void ThrowNoInterface(IADs& object) {
  throw AutomationError(errc::kNoInterface, u"The directory object " + object.ADsPath() +
                                                u" does not support the interface asked for");
}

}  // namespace moxtrel::directory
