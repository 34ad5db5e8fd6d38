// DirectoryProvider: where the object model binds directory paths. One provider is current for
// the process; a thread may install its own, which then serves that thread only (a server
// process can give each thread its own directory). Providers take calls from several threads.
//
//   directory::SetCurrentProvider(MemoryDirectory::Create());          // every thread
//   directory::SetThreadProvider(other);                               // this thread only
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

// The calling thread's provider if it has one, else the process's; throws AutomationError when
// neither is installed.
std::shared_ptr<DirectoryProvider> CurrentProvider();
// The process-wide provider; nullptr removes it.
void SetCurrentProvider(std::shared_ptr<DirectoryProvider> provider);
// The calling thread's own provider; nullptr returns the thread to the process-wide one.
void SetThreadProvider(std::shared_ptr<DirectoryProvider> provider);

// Binds a path and casts it to the interface the caller needs.
template <class I>
std::shared_ptr<I> Bind(std::u16string_view path) {
  return As<I>(CurrentProvider()->GetObject(path));
}

}  // namespace moxtrel::directory
