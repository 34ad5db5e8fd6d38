// LinuxSystemFacts: the system facts of a Linux host. The computer name is the host name, the
// user is the effective user's login name, the domain controller is the first KDC of the
// default Kerberos realm when the host is set up for one, and privileges come from the
// account database: 2 for root and members of sudo, wheel or admin, 0 for nobody and guest,
// 1 for everyone else.
//
//   auto facts = platform::LinuxSystemFacts::Create();
//   facts->UserName();                                   // u"root"
//   facts->AccountPrivilege(u"", u"root");               // 2
#pragma once

#include <memory>
#include <string>

#include "moxtrel/platform/system_facts.h"

namespace moxtrel::platform {

class LinuxSystemFacts final : public SystemFacts {
 public:
  // `krb5_config` is where the realm set-up is read; tests point it elsewhere.
  static std::shared_ptr<LinuxSystemFacts> Create(std::string krb5_config = "/etc/krb5.conf");

  std::u16string ComputerName() override;
  std::u16string UserName() override;
  std::optional<std::u16string> DomainController() override;
  // The local account database answers for every server: domain accounts reach it through
  // the name service when the host is joined.
  int32_t AccountPrivilege(std::u16string_view server, std::u16string_view user) override;

 private:
  explicit LinuxSystemFacts(std::string krb5_config) : krb5_config_(std::move(krb5_config)) {}

  std::string krb5_config_;
};

}  // namespace moxtrel::platform
