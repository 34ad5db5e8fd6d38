// A directory holding both domain and local accounts, shared by the account tests.
//
//   CORP: users alice, bob; global groups Staff {alice, bob}, Auditors {alice}
//   CORP/PC1: users admin, alice; local group Administrators {PC1 admin, CORP alice, CORP Staff}
#pragma once

#include <cstdint>
#include <string>

#include "support/directory_fixture.h"
#include "support/faults.h"

namespace moxtrel::testing {

class AccountsTest : public DirectoryTest {
 protected:
  void SetUp() override {
    corp = build.AddDomain(u"CORP");
    alice = build.AddUser(corp, u"alice", {{u"FullName", Variant(u"Alice Liddell")}});
    bob = build.AddUser(corp, u"bob");
    staff = build.AddGroup(corp, u"Staff", {{u"Description", Variant(u"Everyone")}});
    auditors = build.AddGroup(corp, u"Auditors");
    build.AddMember(staff, alice);
    build.AddMember(staff, bob);
    build.AddMember(auditors, alice);
    pc1 = build.AddComputer(corp, u"PC1");
    admin = build.AddUser(pc1, u"admin");
    local_alice = build.AddUser(pc1, u"alice");
    admins = build.AddGroup(pc1, u"Administrators");
    build.AddMember(admins, admin);
    build.AddMember(admins, alice);
    build.AddMember(admins, staff);
    layer->Journal().Clear();
  }

  std::size_t Calls(std::u16string_view member, std::u16string_view path = {}) const {
    return layer->Journal().Count(member, path);
  }

  std::u16string corp, alice, bob, staff, auditors, pc1, admin, local_alice, admins;
};

}  // namespace moxtrel::testing
