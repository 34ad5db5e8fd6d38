#include "moxtrel/services/service.h"

#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/services/mod_general.h"

namespace moxtrel {

namespace {
constexpr int32_t kStopped = static_cast<int32_t>(enmoxServiceStatus::moxSVCSStopped);
constexpr int32_t kRunning = static_cast<int32_t>(enmoxServiceStatus::moxSVCSRunning);
constexpr int32_t kPaused = static_cast<int32_t>(enmoxServiceStatus::moxSVCSPaused);
}  // namespace

std::shared_ptr<moxService> moxService::Create() {
  return std::shared_ptr<moxService>(new moxService);
}

bool moxService::Find(const std::u16string& sName, const std::u16string& sServer) {
  name_ = Trim(sName);
  server_ = Trim(sServer);
  Dependencies_ = moxServiceDeps::Create();
  if (name_.empty()) return false;
  if (server_.empty()) server_ = modGeneral::GetLocalComputerName();

  try {
    service_ = directory::Bind<directory::IADsService>(directory::ServicePath(server_, name_));
    bound_ = true;
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxService.Find", e);
    service_ = nullptr;
    bound_ = false;
    return false;
  }
  try {
    const std::u16string path = service_->ADsPath();
    Dependencies_->BindFromPath(path);
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxService.Find", e);
    // The service is bound; its dependency list then reports nothing.
  }
  return true;
}

enmoxServiceErrorControl moxService::ErrorControl() {
  return bound_ ? static_cast<enmoxServiceErrorControl>(service_->ErrorControl())
                : enmoxServiceErrorControl{0};
}

void moxService::ErrorControl(enmoxServiceErrorControl lErrorControl) {
  WriteNumber(u"moxService.ErrorControl.put", static_cast<int32_t>(lErrorControl),
              &directory::IADsService::ErrorControl);
}

std::u16string moxService::DisplayName() {
  return bound_ ? service_->DisplayName() : u"";
}

void moxService::DisplayName(const std::u16string& sName) {
  WriteText(u"moxService.DisplayName.put", sName, &directory::IADsService::DisplayName);
}

std::u16string moxService::LoadOrderGroup() {
  return bound_ ? service_->LoadOrderGroup() : u"";
}

void moxService::LoadOrderGroup(const std::u16string& sLoadOrderGroup) {
  WriteText(u"moxService.LoadOrderGroup.put", sLoadOrderGroup,
            &directory::IADsService::LoadOrderGroup);
}

std::u16string moxService::Name() {
  return bound_ ? service_->Name() : name_;
}

std::u16string moxService::Path() {
  return bound_ ? service_->Path() : u"";
}

void moxService::Path(const std::u16string& sPath) {
  WriteText(u"moxService.Path.put", sPath, &directory::IADsService::Path);
}

std::u16string moxService::Server() {
  if (!bound_) return server_;
  return directory::NameFromPath(service_->HostComputer());
}

std::u16string moxService::AccountName() {
  return bound_ ? service_->ServiceAccountName() : u"";
}

void moxService::AccountName(const std::u16string& sAccountName) {
  WriteText(u"moxService.AccountName.put", sAccountName,
            &directory::IADsService::ServiceAccountName);
}

enmoxServiceStatus moxService::Status() {
  if (!bound_) return enmoxServiceStatus{0};
  return static_cast<enmoxServiceStatus>(
      directory::As<directory::IADsServiceOperations>(service_)->Status());
}

enmoxServiceType moxService::ServiceType() {
  return bound_ ? static_cast<enmoxServiceType>(service_->ServiceType()) : enmoxServiceType{0};
}

void moxService::ServiceType(enmoxServiceType lServiceType) {
  WriteNumber(u"moxService.ServiceType.put", static_cast<int32_t>(lServiceType),
              &directory::IADsService::ServiceType);
}

enmoxServiceStartType moxService::StartType() {
  return bound_ ? static_cast<enmoxServiceStartType>(service_->StartType())
                : enmoxServiceStartType{0};
}

void moxService::StartType(enmoxServiceStartType lStartType) {
  WriteNumber(u"moxService.StartType.put", static_cast<int32_t>(lStartType),
              &directory::IADsService::StartType);
}

void moxService::WriteText(std::u16string_view member, const std::u16string& value,
                           void (directory::IADsService::*setter)(std::u16string_view)) {
  const std::u16string trimmed = Trim(value);
  if (trimmed.empty() || !bound_) return;
  try {
    ((*service_).*setter)(trimmed);
  } catch (const AutomationError& e) {
    NoteTrapped(member, e);
    return;
  }
  try {
    service_->SetInfo();
  } catch (const AutomationError& e) {
    NoteTrapped(member, e);
    // The caller is not told whether the write took effect.
  }
}

void moxService::WriteNumber(std::u16string_view member, int32_t value,
                             void (directory::IADsService::*setter)(int32_t)) {
  if (!bound_) return;
  try {
    ((*service_).*setter)(value);
  } catch (const AutomationError& e) {
    NoteTrapped(member, e);
    return;
  }
  try {
    service_->SetInfo();
  } catch (const AutomationError& e) {
    NoteTrapped(member, e);
    // The caller is not told whether the write took effect.
  }
}

bool moxService::Operate(std::u16string_view member,
                         void (directory::IADsServiceOperations::*operation)()) {
  try {
    auto operations = directory::As<directory::IADsServiceOperations>(service_);
    ((*operations).*operation)();
    return true;
  } catch (const AutomationError& e) {
    NoteTrapped(member, e);
    return false;
  }
}

bool moxService::Start() {
  if (!bound_) return false;
  if (static_cast<int32_t>(Status()) != kStopped) return false;
  return Operate(u"moxService.Start", &directory::IADsServiceOperations::Start);
}

bool moxService::Pause() {
  if (!bound_) return false;
  if (static_cast<int32_t>(Status()) != kRunning) return false;
  return Operate(u"moxService.Pause", &directory::IADsServiceOperations::Pause);
}

bool moxService::Continue() {
  if (!bound_) return false;
  if (static_cast<int32_t>(Status()) != kPaused) return false;
  return Operate(u"moxService.Continue", &directory::IADsServiceOperations::Continue);
}

bool moxService::StopSvc() {
  if (!bound_) return false;
  // Both comparisons read the state, so a service that changes in between is still seen.
  const bool running = static_cast<int32_t>(Status()) == kRunning;
  const bool paused = static_cast<int32_t>(Status()) == kPaused;
  if (!running && !paused) return false;
  return Operate(u"moxService.StopSvc", &directory::IADsServiceOperations::Stop);
}

bool moxService::SetPassword(const std::u16string& sNewPassword) {
  if (!bound_) return false;
  try {
    directory::As<directory::IADsServiceOperations>(service_)->SetPassword(sNewPassword);
    return true;
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxService.SetPassword", e);
    return false;
  }
}

}  // namespace moxtrel
