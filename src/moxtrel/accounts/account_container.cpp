#include "moxtrel/accounts/account_container.h"

#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"

namespace moxtrel {

std::shared_ptr<directory::IADsContainer> BindAccountContainer(moxType scope,
                                                               const std::u16string& path) {
  if (scope == moxType::moxGlobal)
    return directory::Bind<directory::IADsDomain>(
        directory::WithClass(path, directory::ObjectKind::kDomain));
  if (scope == moxType::moxLocal)
    return directory::Bind<directory::IADsComputer>(
        directory::WithClass(path, directory::ObjectKind::kComputer));
  return nullptr;
}

}  // namespace moxtrel
