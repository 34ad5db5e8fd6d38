// moxServices: the services of one computer (the local one at creation), keyed by name.
//
//   auto services = moxServices::Create();
//   services->Server(u"PC2");                       // lists anew on the next read
//   for (int32_t i = 1; i <= services->Count(); ++i) use(services->Item(Variant(i))->Name());
//   services->Remove(Variant(u"OldSvc"));           // deletes the service from PC2
#pragma once

#include <memory>
#include <string>

#include "moxtrel/frame/enums.h"
#include "moxtrel/frame/keyed_collection.h"
#include "moxtrel/services/service.h"

namespace moxtrel {

class moxServices final : public KeyedCollection<std::shared_ptr<moxService>> {
 public:
  static std::shared_ptr<moxServices> Create();

  std::u16string_view TypeName() const noexcept override { return u"moxServices"; }

  std::u16string Server() const { return server_; }
  // Stores the trimmed name and lists anew on the next read; no check, no directory call.
  void Server(const std::u16string& sServer);

  // Installs nothing: it makes no directory call, ignores its arguments and returns False.
  bool Add(const std::u16string& sPath, const std::u16string& sName,
           const std::u16string& sDisplayName = u"",
           enmoxServiceType lType = enmoxServiceType::moxOwnProcess,
           enmoxServiceStartType lStartType = enmoxServiceStartType::moxSVCSTAuto);
  // Deletes the service of the entry's name from the current server and takes the entry out
  // without listing again. A failure to bind the computer is raised; other failures give False.
  bool Remove(const Variant& Index);
  // Lists the server's services, each bound anew through moxService::Find; nothing raises. False
  // (and stale again) when the computer cannot be bound.
  bool Refresh() override;

 private:
  moxServices();

  std::u16string server_;
};

}  // namespace moxtrel
