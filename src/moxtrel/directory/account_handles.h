// Handles for domains, computers, users and groups, and the member lists of groups and users.
#pragma once

#include "moxtrel/directory/object_handle.h"

namespace moxtrel::directory {

class DomainHandle final : public ContainerHandle, public IADsDomain {
 public:
  using ContainerHandle::ContainerHandle;
};

class ComputerHandle final : public ContainerHandle,
                             public IADsComputer,
                             public IADsComputerOperations {
 public:
  using ContainerHandle::ContainerHandle;
  std::u16string Division() override { return ReadString(u"Division"); }
  std::u16string OperatingSystem() override { return ReadString(u"OperatingSystem"); }
  std::u16string OperatingSystemVersion() override { return ReadString(u"OperatingSystemVersion"); }
  std::u16string Owner() override { return ReadString(u"Owner"); }
  std::u16string Processor() override { return ReadString(u"Processor"); }
  std::u16string ProcessorCount() override { return ReadString(u"ProcessorCount"); }
  void Shutdown(bool reboot) override;
};

class UserHandle final : public ObjectHandle, public IADsUser {
 public:
  using ObjectHandle::ObjectHandle;
  static constexpr std::u16string_view kI = u"IADsUser";

  bool AccountDisabled() override { return ReadBool(u"AccountDisabled"); }
  void AccountDisabled(bool v) override { Write(u"AccountDisabled", Variant::Boolean(v)); }
  Date AccountExpirationDate() override { return ReadDate(u"AccountExpirationDate"); }
  void AccountExpirationDate(Date v) override { Write(u"AccountExpirationDate", v); }
  bool IsAccountLocked() override { return ReadBool(u"IsAccountLocked"); }
  void IsAccountLocked(bool v) override { Write(u"IsAccountLocked", Variant::Boolean(v)); }
  std::u16string Description() override { return ReadString(u"Description"); }
  void Description(std::u16string_view v) override { WriteString(u"Description", v); }
  std::u16string FullName() override { return ReadString(u"FullName"); }
  void FullName(std::u16string_view v) override { WriteString(u"FullName", v); }
  std::u16string HomeDirectory() override { return ReadString(u"HomeDirectory"); }
  void HomeDirectory(std::u16string_view v) override { WriteString(u"HomeDirectory", v); }
  Date LastLogin() override { return ReadDate(u"LastLogin"); }
  Date LastLogoff() override { return ReadDate(u"LastLogoff"); }
  std::u16string LoginScript() override { return ReadString(u"LoginScript"); }
  void LoginScript(std::u16string_view v) override { WriteString(u"LoginScript", v); }
  int32_t MaxStorage() override { return ReadLong(u"MaxStorage"); }
  void MaxStorage(int32_t v) override { Write(u"MaxStorage", v); }
  Date PasswordExpirationDate() override { return ReadDate(u"PasswordExpirationDate"); }
  void PasswordExpirationDate(Date v) override { Write(u"PasswordExpirationDate", v); }
  int32_t PasswordMinimumLength() override { return ReadLong(u"PasswordMinimumLength"); }
  bool PasswordRequired() override { return ReadBool(u"PasswordRequired"); }
  void PasswordRequired(bool v) override { Write(u"PasswordRequired", Variant::Boolean(v)); }
  std::u16string Profile() override { return ReadString(u"Profile"); }
  void Profile(std::u16string_view v) override { WriteString(u"Profile", v); }
  std::shared_ptr<IADsMembers> Groups() override;
  void SetPassword(std::u16string_view password) override;
};

class GroupHandle final : public ObjectHandle, public IADsGroup {
 public:
  using ObjectHandle::ObjectHandle;
  static constexpr std::u16string_view kI = u"IADsGroup";

  std::u16string Description() override { return ReadString(u"Description"); }
  void Description(std::u16string_view v) override { WriteString(u"Description", v); }
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
