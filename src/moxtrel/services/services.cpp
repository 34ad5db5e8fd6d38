#include "moxtrel/services/services.h"

#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/services/mod_general.h"

namespace moxtrel {

std::shared_ptr<moxServices> moxServices::Create() {
  return std::shared_ptr<moxServices>(new moxServices);
}

moxServices::moxServices()
    : KeyedCollection(true, true), server_(modGeneral::GetLocalComputerName()) {}

void moxServices::Server(const std::u16string& sServer) {
  server_ = Trim(sServer);
  MarkStale();
}

bool moxServices::Add(const std::u16string& /*sPath*/, const std::u16string& /*sName*/,
                      const std::u16string& /*sDisplayName*/, enmoxServiceType /*lType*/,
                      enmoxServiceStartType /*lStartType*/) {
  return false;
}

bool moxServices::Refresh() {
  Store& store = ResetStore();
  std::shared_ptr<directory::IADsComputer> computer;
  try {
    computer = directory::Bind<directory::IADsComputer>(directory::ComputerPath(server_));
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxServices.Refresh", e);
    MarkStale();
    return false;
  }
  try {
    computer->Filter(Variant::StringArray({u"Service"}));
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxServices.Refresh", e);
    // Elements that are not services are left out below.
  }

  std::unique_ptr<directory::IADsEnum> walk;
  try {
    walk = computer->NewEnum();
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxServices.Refresh", e);
  }
  while (walk) {
    std::shared_ptr<directory::IADs> element;
    try {
      element = walk->Next();
    } catch (const AutomationError& e) {
      NoteTrapped(u"moxServices.Refresh", e);
      // A walk that fails stays where it was; going on would meet the same failure again.
      break;
    }
    if (!element) break;
    try {
      const std::u16string name = directory::As<directory::IADsService>(element)->Name();
      auto service = moxService::Create();
      if (!service->Find(name, server_)) continue;
      store.Add(service, service->Name());
    } catch (const AutomationError& e) {
      NoteTrapped(u"moxServices.Refresh", e);
      // This service is left out; the listing goes on.
    }
  }
  MarkCurrent();
  return true;
}

bool moxServices::Remove(const Variant& Index) {
  if (NeedsRefresh() && !Refresh()) return false;
  if (!Exists(Index)) return false;
  auto computer = directory::Bind<directory::IADsComputer>(directory::ComputerPath(server_));
  try {
    const std::u16string name = store_->Item(Index)->Name();
    computer->Delete(u"Service", name);
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxServices.Remove", e);
    return false;
  }
  store_->Remove(Index);
  return true;
}

}  // namespace moxtrel
