// Members of a listing read what their listing brought: every property a row maps reads as it
// does from the whole entry, with no request per member, and the server is asked again only
// when a handle must know what it holds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <ldap.h>

#include "backends/ldap/ldap_fixture.h"
#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/backends/ldap/ldap_mapping.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using backends::ldap::LdapConnection;
using backends::ldap::LdapSchema;
using directory::IADsContainer;
using directory::IADsUser;
using directory::ObjectKind;

class LdapListingTest : public LdapTest {
 protected:
  void StartLogged(const std::string& ldif) {
    server = std::make_unique<SlapdServer>(
        SlapdServer::Options{.ldif = Ous() + ldif, .log_operations = true});
  }
  int Searches() const { return Occurrences(server->Log(), " SRCH base="); }
};

ObjectKind KindOf(const std::u16string& cls) {
  return cls == u"User"    ? ObjectKind::kUser
         : cls == u"Group" ? ObjectKind::kGroup
                           : ObjectKind::kComputer;
}

std::string DnOf(ObjectKind kind, const std::string& name) {
  return (kind == ObjectKind::kUser    ? "uid=" + name + ",ou=People,"
          : kind == ObjectKind::kGroup ? "cn=" + name + ",ou=Groups,"
                                       : "cn=" + name + ",ou=Computers,") +
         kLdapBase;
}

TEST_F(LdapListingTest, MembersReadEveryPropertyFromTheirListing) {
  StartLogged(User("alice", 1000,
                   "displayName: Alice Ames\ndescription: first\nloginShell: /bin/zsh\n"
                   "shadowLastChange: 19000\nshadowMax: 90\nshadowExpire: 30000\n") +
              User("bob", 1001) + Group("staff", 2000, "description: the staff\n") +
              "dn: cn=pc1,ou=Computers," + kLdapBase +
              "\nobjectClass: device\ncn: pc1\nou: lab\nowner: " + DnOf(ObjectKind::kUser, "bob") +
              "\n\n");
  Use(Options());
  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  const int before = Searches();
  auto walk = domain->NewEnum();
  EXPECT_EQ(Searches(), before + 3);  // users, groups, computers: one search each
  int members = 0;
  while (auto member = walk->Next()) {
    ++members;
    const ObjectKind kind = KindOf(member->Class());
    // What the rows read from the whole entry, as the server holds it.
    const auto whole = Entry(DnOf(kind, ToUtf8(member->Name())));
    const int read = Searches();
    for (const auto& row : backends::ldap::PropertiesOf(LdapSchema::kRfc2307, kind)) {
      if (row.name == u"ObjectSID") continue;  // also asks the server whether the id is shared
      const Variant expected = row.get(whole);
      EXPECT_TRUE(member->Get(row.name) == expected)
          << ToUtf8(member->Name()) << "." << ToUtf8(std::u16string(row.name));
    }
    EXPECT_EQ(Searches(), read);
  }
  EXPECT_EQ(members, 4);

  // Through the object model: one listing, then every member's FullName with no request.
  auto corp = moxDomain::Create();
  corp->Name(u"CORP");
  const int listed = Searches();
  auto users = corp->Users();
  ASSERT_EQ(users->Count(), 2);
  EXPECT_EQ(users->Item(Variant(u"alice"))->FullName(), u"Alice Ames");
  EXPECT_EQ(users->Item(Variant(u"bob"))->FullName(), u"");
  EXPECT_EQ(Searches(), listed + 1);

  // A listed member keeps what its listing brought; a bind by path, or the next listing, reads
  // what the server holds now.
  LdapConnection admin(Options());
  admin.Modify(DnOf(ObjectKind::kUser, "alice"),
               {{LDAP_MOD_REPLACE, "displayName", {"Alice Other"}}});
  auto alice = users->Item(Variant(u"alice"));
  EXPECT_EQ(alice->FullName(), u"Alice Ames");
  EXPECT_EQ(directory::Bind<IADsUser>(u"WinNT://CORP/alice,user")->FullName(), u"Alice Other");
  ASSERT_TRUE(users->Refresh());
  EXPECT_EQ(users->Item(Variant(u"alice"))->FullName(), u"Alice Other");

  // A write through a listed member sends what changed and then reads its own staged value.
  alice = users->Item(Variant(u"alice"));
  alice->Description(u"second");
  EXPECT_EQ(alice->Description(), u"second");
  EXPECT_EQ(alice->FullName(), u"Alice Other");
  EXPECT_EQ(Entry(DnOf(ObjectKind::kUser, "alice")).Values("description"),
            std::vector<std::string>{"second"});

  // After a write the server refused, the member reads the server again.
  ASSERT_TRUE(users->Refresh());
  auto bob = users->Item(Variant(u"bob"));
  admin.Delete(DnOf(ObjectKind::kUser, "bob"));
  EXPECT_EQ(bob->FullName(), u"");  // from the listing
  EXPECT_EQ(ErrorCodeOf([&] { bob->FullName(u"Bob"); }), errc::kNoSuchObject);
  const int refused = Searches();
  EXPECT_EQ(ErrorCodeOf([&] { bob->FullName(); }), errc::kNoSuchObject);
  EXPECT_EQ(Searches(), refused + 1);
}

}  // namespace
}  // namespace moxtrel::testing
