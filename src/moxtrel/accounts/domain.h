// moxDomain: the root of the accounts side. Assigning Name binds the domain and gives it fresh
// collections of its global users, global groups and computers, which list on first read.
//
//   auto domain = moxDomain::Create();
//   domain->Name(u"CORP");
//   if (domain->Exists()) {
//     int32_t users = domain->Users()->Count();
//     auto pc1 = domain->Servers()->Item(Variant(u"CORP/PC1"));
//   }
#pragma once

#include <memory>
#include <string>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/object.h"

namespace moxtrel {

class moxUsers;
class moxGroups;
class moxServers;

class moxDomain final : public AutomationObject {
 public:
  static std::shared_ptr<moxDomain> Create();

  std::u16string_view TypeName() const noexcept override { return u"moxDomain"; }

  std::shared_ptr<moxUsers> Users() const { return users_; }
  void Users(std::shared_ptr<moxUsers> value) { users_ = std::move(value); }
  std::shared_ptr<moxGroups> Groups() const { return groups_; }
  void Groups(std::shared_ptr<moxGroups> value) { groups_ = std::move(value); }
  std::shared_ptr<moxServers> Servers() const { return servers_; }
  void Servers(std::shared_ptr<moxServers> value) { servers_ = std::move(value); }

  bool Exists() const noexcept { return exists_; }
  std::u16string GUID();
  std::u16string Name() const { return name_; }
  // Binds the domain; never raises. A blank or unknown name leaves the object unbound.
  void Name(const std::u16string& sName);

 private:
  moxDomain() = default;

  void Unbind() noexcept;

  std::shared_ptr<moxUsers> users_;
  std::shared_ptr<moxGroups> groups_;
  std::shared_ptr<moxServers> servers_;
  std::u16string name_;
  bool exists_ = false;
  std::shared_ptr<directory::IADsDomain> domain_;
};

}  // namespace moxtrel
