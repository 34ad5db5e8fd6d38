// DirectoryProvider: where the object model binds directory paths. One provider is current per
// process; the embedded MemoryDirectory is the one every test and the script host install.
//
//   directory::SetCurrentProvider(MemoryDirectory::Create());
//   auto computer = directory::Bind<directory::IADsComputer>(u"WinNT://CORP/PC1,computer");
#pragma once

#include <memory>
#include <string_view>

#include "moxtrel/directory/ads.h"

namespace moxtrel::directory {

class DirectoryProvider {
 public:
  virtual ~DirectoryProvider() = default;
  // The object at a path ("WinNT://D/N,user"); throws AutomationError when there is none.
  virtual std::shared_ptr<IADs> GetObject(std::u16string_view path) = 0;
};

// The current provider; throws AutomationError when none is installed.
std::shared_ptr<DirectoryProvider> CurrentProvider();
void SetCurrentProvider(std::shared_ptr<DirectoryProvider> provider);

// Binds a path and casts it to the interface the caller needs.
template <class I>
std::shared_ptr<I> Bind(std::u16string_view path) {
  return As<I>(CurrentProvider()->GetObject(path));
}

}  // namespace moxtrel::directory
