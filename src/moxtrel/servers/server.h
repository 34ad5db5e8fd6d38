// moxServer: one computer of the directory. Assigning Name binds it and gives it fresh collections
// of its local users and groups, file shares and print queues; the read-only facts come straight
// from the directory. A name may be a computer or a domain "/" computer pair.
//
//   auto server = moxServer::Create();
//   server->Name(u"CORP/PC1");
//   if (server->Exists()) {
//     std::u16string os = server->OperatingSystem();
//     int32_t shares = server->FileShares()->Count();
//   }
#pragma once

#include <memory>
#include <string>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/object.h"

namespace moxtrel {

class moxUsers;
class moxGroups;
class moxFileShares;
class moxPrintQueues;

class moxServer final : public AutomationObject {
 public:
  static std::shared_ptr<moxServer> Create();

  std::u16string_view TypeName() const noexcept override { return u"moxServer"; }

  std::shared_ptr<moxUsers> Users() const { return users_; }
  void Users(std::shared_ptr<moxUsers> value) { users_ = std::move(value); }
  std::shared_ptr<moxGroups> Groups() const { return groups_; }
  void Groups(std::shared_ptr<moxGroups> value) { groups_ = std::move(value); }
  std::shared_ptr<moxFileShares> FileShares() const { return file_shares_; }
  void FileShares(std::shared_ptr<moxFileShares> value) { file_shares_ = std::move(value); }
  std::shared_ptr<moxPrintQueues> PrintQueues() const { return print_queues_; }
  void PrintQueues(std::shared_ptr<moxPrintQueues> value) { print_queues_ = std::move(value); }

  std::u16string Division();
  bool Exists() const noexcept { return exists_; }
  std::u16string GUID();
  std::u16string Name() const { return name_; }
  // Binds the computer; never raises. A blank or unknown name leaves the object unbound.
  void Name(const std::u16string& sName);
  std::u16string OperatingSystem();
  std::u16string OperatingSystemVersion();
  std::u16string Owner();
  std::u16string Processor();
  std::u16string ProcessorCount();

  // Asks the computer to shut down (and restart when bReboot); False when that fails or the object
  // is not bound.
  bool Shutdown(bool bReboot);

 private:
  moxServer() = default;

  void Unbind() noexcept;

  std::shared_ptr<moxUsers> users_;
  std::shared_ptr<moxGroups> groups_;
  std::shared_ptr<moxFileShares> file_shares_;
  std::shared_ptr<moxPrintQueues> print_queues_;
  std::u16string name_;
  bool exists_ = false;
  std::shared_ptr<directory::IADsComputer> computer_;
};

}  // namespace moxtrel
