#include "moxtrel/accounts/users.h"

#include "moxtrel/accounts/account_container.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"

namespace moxtrel {

using directory::Bind;
using directory::IADsGroup;
using directory::IADsUser;

moxUsers::moxUsers() = default;

std::shared_ptr<moxUsers> moxUsers::Create() {
  return std::shared_ptr<moxUsers>(new moxUsers);
}

bool moxUsers::Refresh() {
  Store& store = ResetStore();
  const std::u16string& scope = ScopeName();
  if (scope.empty()) {
    MarkStale();
    return false;
  }
  const std::u16string base = directory::ScopePath(scope);
  if (group_name_.empty()) {
    ListContainer(store, base, account_type_);
  } else {
    ListGroup(store, directory::GroupPath(scope, group_name_), account_type_ == moxType::moxLocal);
  }
  MarkCurrent();
  return true;
}

void moxUsers::ListContainer(Store& store, const std::u16string& path, moxType type) {
  auto container = BindAccountContainer(type, path);
  container->Filter(Variant::StringArray({u"User"}));
  auto walk = container->NewEnum();
  store.Reserve(walk->Remaining());
  while (auto object = walk->Next()) {
    auto member = moxUser::Create();
    if (member->BindFromProvider(directory::As<IADsUser>(std::move(object)), type)) {
      const std::u16string key = member->UserName();
      store.Add(std::move(member), key);
    }
  }
}

void moxUsers::ListGroup(Store& store, const std::u16string& path, bool local) {
  auto group = Bind<IADsGroup>(path);
  auto walk = group->Members()->NewEnum();
  while (auto object = walk->Next()) {
    if (object->Class() != u"User") continue;
    auto member = moxUser::Create();
    auto type = moxType::moxGlobal;
    // In a local group, members from elsewhere than the group's own server are domain accounts.
    if (local) {
      const std::u16string member_parent = object->Parent();
      if (member_parent == group->Parent()) type = moxType::moxLocal;
    }
    if (member->BindFromProvider(directory::As<IADsUser>(object), type)) {
      store.Add(member, member->UserName());
    }
  }
}

bool moxUsers::Add(std::u16string& sUserName, const std::u16string& sFullName,
                   const std::u16string& sDescription) {
  if (!group_name_.empty()) return false;
  try {
    sUserName = Trim(sUserName);
    if (sUserName.empty()) return false;
    const std::u16string& scope = ScopeName();
    if (scope.empty()) return false;
    auto container = BindAccountContainer(account_type_, directory::ScopePath(scope));
    auto user = directory::As<IADsUser>(container->Create(u"user", sUserName));
    user->Description(Trim(sDescription));
    user->FullName(Trim(sFullName));
    user->SetInfo();
    MarkStale();
    return true;
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxUsers.Add", e);
    return false;
  }
}

bool moxUsers::Remove(const Variant& Index) {
  if (NeedsRefresh() && !Refresh()) return false;
  try {
    auto entry = RequireStore().Item(Index);
    if (!RemoveFromScope(
            u"user", [&] { return entry->ADsPath(); }, [&] { return entry->UserName(); })) {
      return false;
    }
    MarkStale();
    return true;
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxUsers.Remove", e);
    return false;
  }
}

}  // namespace moxtrel
