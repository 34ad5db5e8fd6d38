#include "moxtrel/servers/server.h"

#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/enums.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/printing/print_queues.h"
#include "moxtrel/servers/file_shares.h"

namespace moxtrel {

std::shared_ptr<moxServer> moxServer::Create() {
  return std::shared_ptr<moxServer>(new moxServer);
}

void moxServer::Unbind() noexcept {
  computer_.reset();
  users_.reset();
  groups_.reset();
  file_shares_.reset();
  print_queues_.reset();
  exists_ = false;
}

void moxServer::Name(const std::u16string& sName) {
  name_ = Trim(sName);
  if (name_.empty()) {
    Unbind();
    return;
  }
  try {
    computer_ = directory::Bind<directory::IADsComputer>(directory::ComputerPath(name_));
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxServer.Name.put", e);
    Unbind();
    return;
  }
  // New collections every time, so a client's older ones keep their own listing.
  users_ = moxUsers::Scoped(moxType::moxLocal, name_);
  groups_ = moxGroups::Scoped(moxType::moxLocal, name_);
  file_shares_ = moxFileShares::Create();
  file_shares_->SetServerName(name_);
  print_queues_ = moxPrintQueues::Create();
  print_queues_->SetServerName(name_);
  exists_ = true;
}

std::u16string moxServer::Division() {
  return exists_ ? computer_->Division() : u"";
}

std::u16string moxServer::GUID() {
  return exists_ ? computer_->GUID() : u"";
}

std::u16string moxServer::OperatingSystem() {
  return exists_ ? computer_->OperatingSystem() : u"";
}

std::u16string moxServer::OperatingSystemVersion() {
  return exists_ ? computer_->OperatingSystemVersion() : u"";
}

std::u16string moxServer::Owner() {
  return exists_ ? computer_->Owner() : u"";
}

std::u16string moxServer::Processor() {
  return exists_ ? computer_->Processor() : u"";
}

std::u16string moxServer::ProcessorCount() {
  return exists_ ? computer_->ProcessorCount() : u"";
}

bool moxServer::Shutdown(bool bReboot) {
  // Nothing was shut down, so do not report success.
  if (!exists_) return false;
  try {
    auto operations = directory::Bind<directory::IADsComputerOperations>(
        directory::WithClass(computer_->ADsPath(), directory::ObjectKind::kComputer));
    operations->Shutdown(bReboot);
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxServer.Shutdown", e);
    return false;
  }
  return true;
}

}  // namespace moxtrel
