#include "moxtrel/accounts/group.h"

#include "moxtrel/accounts/account_container.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"

namespace moxtrel {

using directory::Bind;
using directory::IADsGroup;
using directory::NameFromPath;

namespace {

// "GroupType" bits: a global group, a local group.
constexpr int32_t kGlobalGroupBit = 0x2;
constexpr int32_t kLocalGroupBit = 0x4;

}  // namespace

std::shared_ptr<moxGroup> moxGroup::Create() {
  return std::shared_ptr<moxGroup>(new moxGroup);
}

std::shared_ptr<moxUsers> moxGroup::Users() {
  return users_;
}
void moxGroup::Users(std::shared_ptr<moxUsers> value) {
  users_ = std::move(value);
}
std::shared_ptr<moxGroups> moxGroup::Groups() {
  return groups_;
}
void moxGroup::Groups(std::shared_ptr<moxGroups> value) {
  groups_ = std::move(value);
}

std::u16string moxGroup::Description() {
  return group_ ? group_->Description() : u"";
}
void moxGroup::Description(const std::u16string& sDescription) {
  if (!group_) return;
  group_->Description(Trim(sDescription));
  group_->SetInfo();
}

std::u16string moxGroup::Domain() {
  return domain_name_;
}
bool moxGroup::Exists() {
  return static_cast<bool>(group_);
}
moxType moxGroup::GroupType() {
  return group_type_;
}
std::u16string moxGroup::Name() {
  return group_ ? group_->Name() : name_;
}
std::u16string moxGroup::Server() {
  return server_name_;
}

void moxGroup::Name(const std::u16string& sName) {
  const std::u16string new_name = Trim(sName);
  if (!group_ || new_name.empty()) return;
  try {
    auto container = BindAccountContainer(group_type_, group_->Parent());
    if (!container) return;
    container->MoveHere(group_->ADsPath(), new_name);
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxGroup.Name.put", e);
    return;
  }
  name_ = new_name;
  Rebind();
}

bool moxGroup::AddToLocalGroup(std::u16string& sGroup, std::u16string& sServer) {
  return ChangeLocalMembership(sGroup, sServer, true);
}

bool moxGroup::RemoveFromLocalGroup(std::u16string& sGroup, std::u16string& sServer) {
  return ChangeLocalMembership(sGroup, sServer, false);
}

bool moxGroup::ChangeLocalMembership(std::u16string& sGroup, std::u16string& sServer, bool add) {
  if (!group_ || group_type_ != moxType::moxGlobal) return false;
  sGroup = Trim(sGroup);
  sServer = Trim(sServer);
  if (sGroup.empty() || sServer.empty()) return false;
  try {
    auto local = Bind<IADsGroup>(directory::GroupPath(sServer, sGroup));
    if (add) {
      local->Add(group_->ADsPath());
    } else {
      local->Remove(group_->ADsPath());
    }
    groups_ = NewGroupsCollection();
    return true;
  } catch (const AutomationError& e) {
    NoteTrapped(add ? u"moxGroup.AddToLocalGroup" : u"moxGroup.RemoveFromLocalGroup", e);
    return false;
  }
}

bool moxGroup::Find(const std::u16string& sName, const std::u16string& sParent) {
  try {
    return BindFromProvider(Bind<IADsGroup>(directory::GroupPath(Trim(sParent), Trim(sName))));
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxGroup.Find", e);
    return false;
  }
}

std::u16string moxGroup::ADsPath() {
  return group_ ? group_->ADsPath() : u"";
}

bool moxGroup::BindFromProvider(const std::shared_ptr<IADsGroup>& group) {
  if (!group) {
    throw AutomationError(errc::kObjectRequired, u"moxGroup: no directory group object to bind to");
  }
  name_ = group->Name();
  const int32_t flags = group->Get(u"GroupType").ToLong();
  moxType type{};
  if (flags & kGlobalGroupBit) {
    type = moxType::moxGlobal;
  } else if (flags & kLocalGroupBit) {
    type = moxType::moxLocal;
  } else {
    return false;
  }
  (type == moxType::moxGlobal ? domain_name_ : server_name_) = NameFromPath(group->Parent());
  group_type_ = type;
  // The object handed in is not kept: the group is looked up again by its path.
  return Rebind();
}

std::u16string moxGroup::ContainerName() const {
  return AccountScopeName(group_type_, domain_name_, server_name_);
}

bool moxGroup::Rebind() {
  if (name_.empty()) {
    Unbind();
    return false;
  }
  if (!IsAccountScope(group_type_)) return static_cast<bool>(group_);
  const std::u16string container = ContainerName();
  if (container.empty()) {
    Unbind();
    return false;
  }
  try {
    group_ = Bind<IADsGroup>(directory::GroupPath(container, name_));
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxGroup.Rebind", e);
    Unbind();
    return false;
  }
  users_ = moxUsers::Scoped(group_type_, container, name_);
  groups_ = NewGroupsCollection();
  return true;
}

void moxGroup::Unbind() {
  users_ = nullptr;
  groups_ = nullptr;
  group_ = nullptr;
}

std::shared_ptr<moxGroups> moxGroup::NewGroupsCollection() const {
  return moxGroups::Scoped(group_type_, ContainerName(), name_);
}

}  // namespace moxtrel
