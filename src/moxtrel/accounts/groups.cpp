#include "moxtrel/accounts/groups.h"

#include "moxtrel/accounts/account_container.h"
#include "moxtrel/accounts/group.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"

namespace moxtrel {

using directory::Bind;
using directory::IADsEnum;
using directory::IADsGroup;
using directory::IADsUser;

namespace {

// Binds a member for each group the walk meets and stores the ones that bind.
void StoreGroups(KeyedStore<std::shared_ptr<moxGroup>>& store, IADsEnum& walk, bool only_groups,
                 auto&& bind) {
  store.Reserve(walk.Remaining());
  while (auto object = walk.Next()) {
    if (only_groups && object->Class() != u"Group") continue;
    auto member = moxGroup::Create();
    if (bind(*member, directory::As<IADsGroup>(object))) store.Add(member, member->Name());
  }
}

}  // namespace

moxGroups::moxGroups() = default;

std::shared_ptr<moxGroups> moxGroups::Create() {
  return std::shared_ptr<moxGroups>(new moxGroups);
}

void moxGroups::SetUserPath(const std::u16string& value) {
  user_path_ = Trim(value);
  MarkStale();
}

bool moxGroups::Refresh() {
  auto bind = [](moxGroup& member, const std::shared_ptr<IADsGroup>& group) {
    return member.BindFromProvider(group);
  };
  try {
    Store& store = ResetStore();
    if (!user_path_.empty()) {
      auto user = Bind<IADsUser>(directory::WithClass(user_path_, directory::ObjectKind::kUser));
      auto memberships = user->Groups();
      StoreGroups(store, *memberships->NewEnum(), false, bind);
    } else if (IsAccountScope(account_type_)) {
      const std::u16string& scope = ScopeName();
      if (scope.empty()) {
        MarkStale();
        return false;
      }
      const std::u16string base = directory::ScopePath(scope);
      if (group_name_.empty()) {
        auto parent = BindAccountContainer(account_type_, base);
        parent->Filter(Variant::StringArray({u"Group"}));
        StoreGroups(store, *parent->NewEnum(), false, bind);
      } else {
        auto group = Bind<IADsGroup>(directory::GroupPath(scope, group_name_));
        auto members = group->Members();
        StoreGroups(store, *members->NewEnum(), true, bind);
      }
    }
    MarkCurrent();
    return true;
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxGroups.Refresh", e);
    return false;
  }
}

bool moxGroups::Add(std::u16string& sName, const std::u16string& sDescription) {
  if (!user_path_.empty() || !group_name_.empty()) return false;
  sName = Trim(sName);
  if (sName.empty()) return false;
  try {
    const std::u16string& scope = ScopeName();
    if (scope.empty()) return false;
    auto container = BindAccountContainer(account_type_, directory::ScopePath(scope));
    auto group = directory::As<IADsGroup>(container->Create(u"group", sName));
    group->Description(Trim(sDescription));
    group->SetInfo();
    MarkStale();
    return true;
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxGroups.Add", e);
    return false;
  }
}

bool moxGroups::Remove(const Variant& Index) {
  if (NeedsRefresh() && !Refresh()) return false;
  try {
    auto entry = RequireStore().Item(Index);
    if (!user_path_.empty()) {
      // The user leaves the group; the group stays.
      auto group =
          Bind<IADsGroup>(directory::WithClass(entry->ADsPath(), directory::ObjectKind::kGroup));
      group->Remove(user_path_);
    } else if (!RemoveFromScope(
                   u"group", [&] { return entry->ADsPath(); }, [&] { return entry->Name(); })) {
      return false;
    }
    MarkStale();
    return true;
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxGroups.Remove", e);
    return false;
  }
}

}  // namespace moxtrel
