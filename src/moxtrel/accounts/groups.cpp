#include "moxtrel/accounts/groups.h"

#include "moxtrel/accounts/group.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/text.h"

namespace moxtrel {

using directory::Bind;
using directory::IADsComputer;
using directory::IADsContainer;
using directory::IADsDomain;
using directory::IADsEnum;
using directory::IADsGroup;
using directory::IADsUser;

namespace {

constexpr std::u16string_view kScheme = u"WinNT://";

// Binds a member for each group the walk meets and stores the ones that bind.
void StoreGroups(KeyedStore<std::shared_ptr<moxGroup>>& store, IADsEnum& walk, bool only_groups,
                 auto&& bind) {
  while (auto object = walk.Next()) {
    if (only_groups && object->Class() != u"Group") continue;
    auto member = moxGroup::Create();
    if (bind(*member, directory::As<IADsGroup>(object))) store.Add(member, member->Name());
  }
}

}  // namespace

moxGroups::moxGroups() : KeyedCollection(/*needs_refresh=*/true, /*create_store=*/true) {}

std::shared_ptr<moxGroups> moxGroups::Create() {
  return std::shared_ptr<moxGroups>(new moxGroups);
}

void moxGroups::SetDomainName(const std::u16string& value) {
  domain_name_ = Trim(value);
  MarkStale();
}
void moxGroups::SetServerName(const std::u16string& value) {
  server_name_ = Trim(value);
  MarkStale();
}
void moxGroups::SetGroupName(const std::u16string& value) {
  group_name_ = Trim(value);
  MarkStale();
}
void moxGroups::SetUserPath(const std::u16string& value) {
  user_path_ = Trim(value);
  MarkStale();
}
void moxGroups::SetAccountType(int32_t value) {
  account_type_ = value;
  MarkStale();
}

bool moxGroups::Refresh() {
  auto bind = [](moxGroup& member, const std::shared_ptr<IADsGroup>& group) {
    return member.BindFromProvider(group);
  };
  try {
    Store& store = ResetStore();
    if (!user_path_.empty()) {
      auto user = Bind<IADsUser>(user_path_ + u",user");
      auto memberships = user->Groups();
      StoreGroups(store, *memberships->NewEnum(), false, bind);
    } else if (account_type_ == 1 || account_type_ == 2) {
      const bool global = account_type_ == 2;
      const std::u16string& container = global ? domain_name_ : server_name_;
      if (container.empty()) {
        MarkStale();
        return false;
      }
      const std::u16string base = std::u16string(kScheme) + container;
      if (group_name_.empty()) {
        std::shared_ptr<IADsContainer> parent;
        if (global) {
          parent = Bind<IADsDomain>(base + u",domain");
        } else {
          parent = Bind<IADsComputer>(base + u",computer");
        }
        parent->Filter(Variant::StringArray({u"Group"}));
        StoreGroups(store, *parent->NewEnum(), false, bind);
      } else {
        auto group = Bind<IADsGroup>(base + u"/" + group_name_ + u",group");
        auto members = group->Members();
        StoreGroups(store, *members->NewEnum(), true, bind);
      }
    }
    MarkCurrent();
    return true;
  } catch (const AutomationError&) {
    return false;
  }
}

bool moxGroups::Add(std::u16string& sName, const std::u16string& sDescription) {
  if (!user_path_.empty() || !group_name_.empty()) return false;
  sName = Trim(sName);
  if (sName.empty()) return false;
  try {
    std::shared_ptr<IADsContainer> container;
    if (!domain_name_.empty() && account_type_ == 2) {
      container = Bind<IADsDomain>(std::u16string(kScheme) + domain_name_ + u",domain");
    } else if (!server_name_.empty() && account_type_ == 1) {
      container = Bind<IADsComputer>(std::u16string(kScheme) + server_name_ + u",computer");
    } else {
      return false;
    }
    auto group = directory::As<IADsGroup>(container->Create(u"group", sName));
    group->Description(Trim(sDescription));
    group->SetInfo();
    MarkStale();
    return true;
  } catch (const AutomationError&) {
    return false;
  }
}

bool moxGroups::Remove(const Variant& Index) {
  if (NeedsRefresh() && !Refresh()) return false;
  try {
    auto entry = RequireStore().Item(Index);
    if (!user_path_.empty()) {
      // The user leaves the group; the group stays.
      auto group = Bind<IADsGroup>(entry->ADsPath() + u",group");
      group->Remove(user_path_);
    } else {
      std::u16string container;
      if (!domain_name_.empty() && account_type_ == 2) {
        container = domain_name_;
      } else if (!server_name_.empty() && account_type_ == 1) {
        container = server_name_;
      } else {
        return false;
      }
      const std::u16string base = std::u16string(kScheme) + container;
      if (!group_name_.empty()) {
        auto group = Bind<IADsGroup>(base + u"/" + group_name_ + u",group");
        group->Remove(entry->ADsPath());
      } else if (account_type_ == 2) {
        auto domain = Bind<IADsDomain>(base + u",domain");
        domain->Delete(u"group", entry->Name());
      } else {
        auto computer = Bind<IADsComputer>(base + u",computer");
        computer->Delete(u"group", entry->Name());
      }
    }
    MarkStale();
    return true;
  } catch (const AutomationError&) {
    return false;
  }
}

}  // namespace moxtrel
