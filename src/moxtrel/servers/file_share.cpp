#include "moxtrel/servers/file_share.h"

#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"

namespace moxtrel {

std::shared_ptr<moxFileShare> moxFileShare::Create() {
  return std::shared_ptr<moxFileShare>(new moxFileShare);
}

std::u16string moxFileShare::Name() {
  return bound_ ? share_->Name() : name_;
}

std::u16string moxFileShare::Description() {
  return bound_ ? share_->Description() : u"";
}

void moxFileShare::Description(const std::u16string& sDescription) {
  if (!bound_) return;
  // A blank value is written too: it clears the description.
  share_->Description(Trim(sDescription));
  share_->SetInfo();
}

int32_t moxFileShare::CurrentUsers() {
  return bound_ ? share_->CurrentUserCount() : 0;
}

std::u16string moxFileShare::GUID() {
  return bound_ ? share_->GUID() : u"";
}

int32_t moxFileShare::MaxUsers() {
  return bound_ ? share_->MaxUserCount() : 0;
}

void moxFileShare::MaxUsers(int32_t lMaxUsers) {
  if (!bound_) return;
  // The provider alone knows which limits make sense (-1 is "no limit").
  share_->MaxUserCount(lMaxUsers);
  share_->SetInfo();
}

std::u16string moxFileShare::Path() {
  return bound_ ? share_->Path() : u"";
}

std::u16string moxFileShare::Server() {
  if (!bound_) return u"";
  // Found by name: the server we were given. Listed by path: ask the share for its host.
  if (!server_.empty()) return server_;
  return directory::NameFromPath(share_->HostComputer());
}

bool moxFileShare::Find(const std::u16string& sName, const std::u16string& sServer) {
  server_ = Trim(sServer);
  name_ = Trim(sName);
  if (server_.empty() || name_.empty()) {
    Unbind();
    return false;
  }
  // Share paths carry the server only, never a domain part.
  BindFromPath(directory::SharePath(server_, name_));
  return bound_;
}

void moxFileShare::BindFromPath(const std::u16string& path) {
  try {
    share_ = directory::Bind<directory::IADsFileShare>(path);
    bound_ = true;
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxFileShare.BindFromPath", e);
    Unbind();
  }
}

void moxFileShare::Unbind() noexcept {
  share_.reset();
  bound_ = false;
}

}  // namespace moxtrel
