// moxService: one service of one computer. Find binds it; then its configuration is read and
// written through the directory, and it can be started, stopped, paused and continued.
//
//   auto svc = moxService::Create();
//   if (svc->Find(u"Spooler", u"PC1")) {       // no server: the local computer
//     svc->DisplayName(u"Print Spooler");      // committed at once; failures are swallowed
//     if (!svc->StopSvc()) { ... }             // False when refused or not running/paused
//   }
//
// Unbound, every get gives an empty value (Name and Server the stored ones), every put does
// nothing and every operation returns False, all without touching the directory.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/enums.h"
#include "moxtrel/frame/object.h"
#include "moxtrel/services/service_deps.h"

namespace moxtrel {

class moxService final : public AutomationObject {
 public:
  static std::shared_ptr<moxService> Create();

  std::u16string_view TypeName() const noexcept override { return u"moxService"; }

  // The dependency list; a new one after every Find.
  std::shared_ptr<moxServiceDeps> Dependencies() { return Dependencies_; }
  void Dependencies(std::shared_ptr<moxServiceDeps> value) { Dependencies_ = std::move(value); }

  // Gets raise a directory failure; puts swallow it.
  enmoxServiceErrorControl ErrorControl();
  void ErrorControl(enmoxServiceErrorControl lErrorControl);
  bool Exists() const noexcept { return bound_; }
  // A blank value is never written, so these never clear a property.
  std::u16string DisplayName();
  void DisplayName(const std::u16string& sName);
  std::u16string LoadOrderGroup();
  void LoadOrderGroup(const std::u16string& sLoadOrderGroup);
  std::u16string Name();
  std::u16string Path();
  void Path(const std::u16string& sPath);
  // The host computer's path without the scheme; the stored server while unbound.
  std::u16string Server();
  std::u16string AccountName();
  void AccountName(const std::u16string& sAccountName);
  enmoxServiceStatus Status();
  enmoxServiceType ServiceType();
  void ServiceType(enmoxServiceType lServiceType);
  enmoxServiceStartType StartType();
  void StartType(enmoxServiceStartType lStartType);

  // Binds ServicePath(server, name); an empty name only stores the names
  // and replaces Dependencies, keeping an earlier binding.
  bool Find(const std::u16string& sName, const std::u16string& sServer = u"");
  // Each checks the run state first (a failed read raises) and returns False when the state
  // does not allow the operation or the directory refuses it.
  bool Continue();
  bool Pause();
  bool SetPassword(const std::u16string& sNewPassword);
  bool Start();
  bool StopSvc();

 private:
  moxService() : Dependencies_(moxServiceDeps::Create()) {}

  // Put and commit; every failure is trapped under `member`, and a failed put is not committed.
  void WriteText(std::u16string_view member, const std::u16string& value,
                 void (directory::IADsService::*setter)(std::u16string_view));
  void WriteNumber(std::u16string_view member, int32_t value,
                   void (directory::IADsService::*setter)(int32_t));
  // Calls a run-state operation; False when the directory refuses it.
  bool Operate(std::u16string_view member, void (directory::IADsServiceOperations::*operation)());

  std::shared_ptr<moxServiceDeps> Dependencies_;
  std::shared_ptr<directory::IADsService> service_;
  std::u16string name_;
  std::u16string server_;
  bool bound_ = false;
};

}  // namespace moxtrel
