// Handles for domains, computers, users and groups, and the member lists of groups and users.
#pragma once

#include "moxtrel/directory/typed_properties.h"
#include "moxtrel/memory/object_handle.h"

namespace moxtrel::directory {

class DomainHandle final : public ContainerHandle, public IADsDomain {
 public:
  using ContainerHandle::ContainerHandle;
};

class ComputerHandle final : public ContainerHandle,
                             public ComputerProperties,
                             public IADsComputerOperations {
 public:
  using ContainerHandle::ContainerHandle;
  void Shutdown(bool reboot) override;
};

class UserHandle final : public ObjectHandle, public UserProperties {
 public:
  using ObjectHandle::ObjectHandle;
  static constexpr std::u16string_view kI = u"IADsUser";

  std::shared_ptr<IADsMembers> Groups() override;
  void SetPassword(std::u16string_view password) override;
};

class GroupHandle final : public ObjectHandle, public GroupProperties {
 public:
  using ObjectHandle::ObjectHandle;
  static constexpr std::u16string_view kI = u"IADsGroup";

  std::shared_ptr<IADsMembers> Members() override;
  bool IsMember(std::u16string_view path) override;
  void Add(std::u16string_view path) override;
  void Remove(std::u16string_view path) override;
};

// A group's members or an account's groups, listed afresh at each NewEnum.
class MemberList final : public IADsMembers {
 public:
  MemberList(CorePtr core, NodePtr owner, bool groups_of_account)
      : core_(std::move(core)), owner_(std::move(owner)), groups_(groups_of_account) {}
  std::unique_ptr<IADsEnum> NewEnum() override;

 private:
  CorePtr core_;
  NodePtr owner_;
  bool groups_;
};

}  // namespace moxtrel::directory
