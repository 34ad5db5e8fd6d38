// LDIF of domain controller accounts for a test slapd loaded with SlapdServer::DcSchema(): the
// containers cn=Users and cn=Computers, users, groups listing member DNs, and computers.
//
//   std::string ldif = DcContainers() + DcUser("alice", "displayName: Alice\n") +
//                      DcGroup("staff", {DcUserDn("alice")});
#pragma once

#include <string>
#include <vector>

namespace moxtrel::testing {

std::string DcContainers();
// cn=<name>,cn=Users,<base>; the name is escaped for the DN.
std::string DcUserDn(const std::string& name);
// A user (userAccountControl 512, a SID ending in `rid`) with `extra` attribute lines.
std::string DcUser(const std::string& name, const std::string& extra = "", int rid = 1000);
// A group listing `members`, a global security group unless `type` says otherwise.
std::string DcGroup(const std::string& name, const std::vector<std::string>& members,
                    const std::string& extra = "", int type = -2147483646);
// A computer in cn=Computers, account name <name>$.
std::string DcComputer(const std::string& name, const std::string& extra = "");

}  // namespace moxtrel::testing
