#include "moxtrel/accounts/account_container.h"

#include "moxtrel/directory/provider.h"

namespace moxtrel {

std::shared_ptr<directory::IADsContainer> BindAccountContainer(int32_t account_type,
                                                               const std::u16string& path) {
  if (account_type == 2) return directory::Bind<directory::IADsDomain>(path + u",domain");
  if (account_type == 1) return directory::Bind<directory::IADsComputer>(path + u",computer");
  return nullptr;
}

}  // namespace moxtrel
