// uidNumber and gidNumber of new rfc2307 accounts: unique under concurrent writers, passing over
// ids other tools gave, and a duplicate already in the directory reported where it is used.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "backends/ldap/ldap_fixture.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::IADsContainer;
using directory::IADsUser;
using ::testing::HasSubstr;

using LdapIdsTest = LdapTest;

// The values of `attr` over every entry of `object_class` under the base.
std::vector<std::string> Ids(backends::ldap::LdapConnection& conn, const std::string& object_class,
                             const char* attr) {
  std::vector<std::string> out;
  for (const auto& e : conn.Search(kLdapBase, backends::ldap::SearchScope::kSubtree,
                                   "(objectClass=" + object_class + ")", {attr})) {
    for (const auto& v : e.Values(attr)) out.push_back(v);
  }
  return out;
}

// Two writers, each with its own session, add users and groups at once: no two accounts get one
// uidNumber or gidNumber, and the first ids are above those in use.
TEST_F(LdapIdsTest, ConcurrentWritersNeverShareAnId) {
  Start(User("alice", 12000) + Group("staff", 12000, ""));
  constexpr int kEach = 30;
  auto writer = [&](char who) {
    auto provider = backends::ldap::MakeLdapProvider(Options());
    auto domain = directory::As<IADsContainer>(provider->GetObject(u"WinNT://CORP,domain"));
    for (int i = 0; i < kEach; ++i) {
      const std::u16string n = FromUtf8(std::string(1, who) + std::to_string(i));
      domain->Create(u"user", u"u" + n)->SetInfo();
      if (i % 3 == 0) domain->Create(u"group", u"g" + n)->SetInfo();
    }
  };
  std::thread a(writer, 'a'), b(writer, 'b');
  a.join();
  b.join();
  backends::ldap::LdapConnection conn(Options());
  const auto uids = Ids(conn, "posixAccount", "uidNumber");
  const auto gids = Ids(conn, "posixGroup", "gidNumber");
  EXPECT_EQ(uids.size(), 1u + 2 * kEach);
  EXPECT_EQ(gids.size(), 1u + 2 * (kEach / 3));
  EXPECT_EQ(std::set<std::string>(uids.begin(), uids.end()).size(), uids.size());
  EXPECT_EQ(std::set<std::string>(gids.begin(), gids.end()).size(), gids.size());
  for (const auto& id : uids) EXPECT_GE(std::stoul(id), 12000u);
  EXPECT_EQ(Entry("uid=ua0,ou=People," + kLdapBase).Values("uidNumber").size(), 1u);
}

// An id another tool gave is passed over; a uidNumber two accounts already share is an error
// naming both when the SID made of it is read.
TEST_F(LdapIdsTest, IdsInUseArePassedOverAndDuplicatesReported) {
  Start(User("alice", 1000) + User("bob", 1000) + User("carol", 1001));
  Use(Options());
  std::u16string text;
  EXPECT_EQ(
      ErrorCodeOf([] { directory::Bind<IADsUser>(u"WinNT://CORP/alice,user")->Get(u"ObjectSID"); },
                  &text),
      errc::kFail);
  EXPECT_THAT(ToUtf8(text), HasSubstr("uid=alice,ou=People," + kLdapBase));
  EXPECT_THAT(ToUtf8(text), HasSubstr("uid=bob,ou=People," + kLdapBase));
  EXPECT_EQ(
      directory::Bind<IADsUser>(u"WinNT://CORP/carol,user")->Get(u"ObjectSID").AsBytes().size(),
      16u);

  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  domain->Create(u"user", u"dave")->SetInfo();
  EXPECT_EQ(Entry("uid=dave,ou=People," + kLdapBase).Values("uidNumber"),
            std::vector<std::string>{"10000"});
  // Another tool gives the next id meanwhile.
  server->Add(User("eve", 10001));
  domain->Create(u"user", u"frank")->SetInfo();
  EXPECT_EQ(Entry("uid=frank,ou=People," + kLdapBase).Values("uidNumber"),
            std::vector<std::string>{"10002"});
  EXPECT_EQ(Entry("cn=moxtrel-next-id," + kLdapBase).Values("uidNumber"),
            std::vector<std::string>{"10003"});

  // A pool entry named in the options must exist: it is not made in a place the admin chose.
  auto o = Options();
  o.id_pool = "cn=elsewhere";
  Use(o);
  EXPECT_EQ(ErrorCodeOf(
                [] {
                  directory::Bind<IADsContainer>(u"WinNT://CORP,domain")
                      ->Create(u"user", u"gina")
                      ->SetInfo();
                },
                &text),
            errc::kNoSuchObject);
  EXPECT_THAT(ToUtf8(text), HasSubstr("cn=elsewhere," + kLdapBase));
}

}  // namespace
}  // namespace moxtrel::testing
