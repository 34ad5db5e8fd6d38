#include "moxtrel/accounts/domain.h"

#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/enums.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/servers/servers.h"

namespace moxtrel {

std::shared_ptr<moxDomain> moxDomain::Create() {
  return std::shared_ptr<moxDomain>(new moxDomain);
}

void moxDomain::Unbind() noexcept {
  domain_.reset();
  users_.reset();
  groups_.reset();
  servers_.reset();
  exists_ = false;
}

void moxDomain::Name(const std::u16string& sName) {
  name_ = Trim(sName);
  if (name_.empty()) {
    Unbind();
    return;
  }
  try {
    domain_ = directory::Bind<directory::IADsDomain>(directory::DomainPath(name_));
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxDomain.Name.put", e);
    Unbind();
    return;
  }
  exists_ = true;
  // New collections every time, so a client's older ones keep their own listing.
  users_ = moxUsers::Scoped(moxType::moxGlobal, name_);
  groups_ = moxGroups::Scoped(moxType::moxGlobal, name_);
  servers_ = moxServers::Create();
  servers_->SetDomainName(name_);
}

std::u16string moxDomain::GUID() {
  return exists_ ? domain_->GUID() : u"";
}

}  // namespace moxtrel
