// The LDAP backend against a private slapd: what the shared account suite does not cover.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "backends/ldap/ldap_fixture.h"
#include "moxtrel/backends/ldap/ldap_connection.h"
#include "moxtrel/backends/ldap/ldap_escape.h"
#include "moxtrel/backends/ldap/ldap_provider.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "support/directory_fixture.h"
#include "support/slapd_server.h"

namespace moxtrel::testing {
namespace {

using backends::ldap::LdapOptions;
using directory::IADsContainer;
using directory::IADsGroup;
using directory::IADsUser;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

const std::string& kBase = kLdapBase;

using LdapBackendTest = LdapTest;

// More users than the server's size limit are all listed through paged results; without
// paging the same listing fails and says why instead of coming back short.
TEST_F(LdapBackendTest, PagedListingIsCompleteAndUnpagedLimitIsAnError) {
  constexpr int kUsers = 100000;
  Start(ManyUsersLdif(kUsers), 500);
  LdapOptions o = Options();
  o.bind_dn = server->reader_dn();
  o.password = server->reader_password();
  o.page_size = 1000;
  Use(o);
  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  domain->Filter(Variant::StringArray({u"User"}));
  auto walk = domain->NewEnum();
  int count = 0;
  std::u16string last;
  while (auto user = walk->Next()) {
    ++count;
    last = user->Name();
  }
  EXPECT_EQ(count, kUsers);
  EXPECT_EQ(FromUtf8(std::string("user") + "100000").size(), last.size());

  o.page_size = 0;
  Use(o);
  domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  domain->Filter(Variant::StringArray({u"User"}));
  std::u16string text;
  EXPECT_EQ(ErrorCodeOf([&] { domain->NewEnum(); }, &text), errc::kFail);
  EXPECT_THAT(ToUtf8(text), HasSubstr("size limit"));
  EXPECT_THAT(ToUtf8(text), HasSubstr(server->url()));
}

// Names with filter and DN syntax in them are matched as themselves.
TEST_F(LdapBackendTest, HostileNamesAreMatchedExactly) {
  EXPECT_EQ(backends::ldap::FilterValue("*)(uid=*"), "\\2a\\29\\28uid=\\2a");
  EXPECT_EQ(backends::ldap::FilterValue(std::string("a\\b\0c", 5)), "a\\5cb\\00c");
  EXPECT_EQ(backends::ldap::DnValue("a,b=c"), "a\\,b\\=c");
  EXPECT_EQ(backends::ldap::DnValue("#x+y; "), "\\#x\\+y\\;\\ ");
  Start(User("alice", 1000) + User("a,b=c", 1001) + User("st*r", 1002) + User("x=y+z", 1003));
  Use(Options());
  // A path cannot hold a comma in a name, but a listing shows the name as stored.
  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  EXPECT_THAT(Names(domain->NewEnum()),
              UnorderedElementsAre(u"alice", u"a,b=c", u"st*r", u"x=y+z"));
  EXPECT_EQ(directory::Bind<IADsUser>(u"WinNT://CORP/x=y+z,user")->Name(), u"x=y+z");
  // A new account's DN is escaped: it is created and found under its own name.
  EXPECT_EQ(ErrorCodeOf([&] { domain->Create(u"user", u"p=q+r;s"); }), errc::kInvalidName);
  domain->Create(u"user", u"#a b")->SetInfo();
  EXPECT_EQ(Entry("uid=\\#a b,ou=People," + kBase).Values("uid"), std::vector<std::string>{"#a b"});
  EXPECT_EQ(directory::Bind<IADsUser>(u"WinNT://CORP/st*r,user")->Name(), u"st*r");
  for (std::u16string pattern : {u"*", u"*)(uid=*", u"al*", u"st\\2ar"}) {
    EXPECT_EQ(
        ErrorCodeOf([&] { directory::Bind<IADsUser>(u"WinNT://CORP/" + pattern + u",user"); }),
        errc::kNoSuchObject)
        << ToUtf8(pattern);
  }
}

// Membership is one modify per change; a rename is a modify-DN that also renames the user in
// every group; a deleted user leaves no memberUid behind.
TEST_F(LdapBackendTest, MembershipFollowsRenameAndDelete) {
  Start(User("alice", 1000) + User("bob", 1001) + Group("staff", 50, "memberUid: alice\n") +
        Group("ops", 51, "memberUid: alice\nmemberUid: bob\n"));
  Use(Options());
  auto staff = directory::Bind<IADsGroup>(u"WinNT://CORP/staff,group");
  staff->Add(u"WinNT://CORP/bob,user");
  EXPECT_EQ(ErrorCodeOf([&] { staff->Add(u"WinNT://CORP/bob,user"); }), errc::kMemberInGroup);
  EXPECT_TRUE(staff->IsMember(u"WinNT://CORP/BOB,user"));
  EXPECT_THAT(Names(staff->Members()->NewEnum()), UnorderedElementsAre(u"alice", u"bob"));

  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  auto renamed = domain->MoveHere(u"WinNT://CORP/alice,user", u"alicia");
  EXPECT_EQ(renamed->Name(), u"alicia");
  EXPECT_EQ(Entry("uid=alicia,ou=People," + kBase).Values("uidNumber"),
            std::vector<std::string>{"1000"});
  EXPECT_THAT(Entry("cn=ops,ou=Groups," + kBase).Values("memberUid"),
              UnorderedElementsAre("alicia", "bob"));
  EXPECT_THAT(Names(directory::As<IADsUser>(renamed)->Groups()->NewEnum()),
              UnorderedElementsAre(u"staff", u"ops"));

  domain->Delete(u"user", u"bob");
  EXPECT_THAT(Entry("cn=ops,ou=Groups," + kBase).Values("memberUid"),
              UnorderedElementsAre("alicia"));
  EXPECT_THAT(Entry("cn=staff,ou=Groups," + kBase).Values("memberUid"),
              UnorderedElementsAre("alicia"));
  EXPECT_EQ(ErrorCodeOf([&] { domain->Delete(u"user", u"bob"); }), errc::kNoSuchObject);
}

// A group that is also a groupOfNames (posixGroup auxiliary, as in RFC 2307bis) gets the user's
// DN in member beside the name in memberUid, in the same one modify; its own DN stands in for
// the member the class requires while no user is left, and is replaced by the first one added.
TEST_F(LdapBackendTest, GroupOfNamesMembersFollowMemberUid) {
  const std::string alice = "uid=alice,ou=People," + kBase, bob = "uid=bob,ou=People," + kBase;
  const std::string staff = "cn=staff,ou=Groups," + kBase, ops = "cn=ops,ou=Groups," + kBase;
  auto both = [&](const std::string& cn, const std::string& dn, const std::string& members) {
    return "dn: " + dn + "\nobjectClass: groupOfNames\nobjectClass: posixGroup\ncn: " + cn +
           "\ngidNumber: 50\n" + members + "\n";
  };
  server = std::make_unique<SlapdServer>(SlapdServer::Options{
      .ldif =
          Ous() + User("alice", 1000) + User("bob", 1001) +
          both("staff", staff, "memberUid: alice\nmember: " + alice + "\n") +
          both("ops", ops,
               "memberUid: alice\nmemberUid: bob\nmember: " + alice + "\nmember: " + bob + "\n"),
      .schemas = {SlapdServer::PosixAuxSchema()},
      .log_operations = true,
      .nis = false});
  Use(Options());
  auto group = directory::Bind<IADsGroup>(u"WinNT://CORP/staff,group");
  group->Add(u"WinNT://CORP/bob,user");
  auto e = Entry(staff);
  EXPECT_THAT(e.Values("memberUid"), UnorderedElementsAre("alice", "bob"));
  EXPECT_THAT(e.Values("member"), UnorderedElementsAre(alice, bob));
  group->Remove(u"WinNT://CORP/alice,user");
  group->Remove(u"WinNT://CORP/bob,user");
  e = Entry(staff);
  EXPECT_THAT(e.Values("memberUid"), ::testing::IsEmpty());
  EXPECT_THAT(e.Values("member"), UnorderedElementsAre(staff));
  EXPECT_THAT(Names(group->Members()->NewEnum()), ::testing::IsEmpty());
  group->Add(u"WinNT://CORP/alice,user");
  EXPECT_THAT(Entry(staff).Values("member"), UnorderedElementsAre(alice));
  EXPECT_EQ(server->Modifies(staff), 4);

  // Rename and delete carry member DNs along with memberUid names.
  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  domain->MoveHere(u"WinNT://CORP/bob,user", u"robert");
  EXPECT_THAT(Entry(ops).Values("member"),
              UnorderedElementsAre(alice, "uid=robert,ou=People," + kBase));
  domain->Delete(u"user", u"alice");
  EXPECT_THAT(Entry(ops).Values("memberUid"), UnorderedElementsAre("robert"));
  EXPECT_THAT(Entry(ops).Values("member"), UnorderedElementsAre("uid=robert,ou=People," + kBase));
  EXPECT_THAT(Entry(staff).Values("member"), UnorderedElementsAre(staff));
  EXPECT_THAT(Entry(staff).Values("memberUid"), ::testing::IsEmpty());
}

// Passwords go through the Password Modify operation: the server stores a hash, and the new
// password binds.
TEST_F(LdapBackendTest, SetPasswordStoresAHashThatBinds) {
  Start(User("alice", 1000));
  Use(Options());
  const std::string secret = server->reader_password() + "-x";  // made per run
  directory::Bind<IADsUser>(u"WinNT://CORP/alice,user")->SetPassword(FromUtf8(secret));
  const auto stored = Entry("uid=alice,ou=People," + kBase).Values("userPassword");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_TRUE(stored[0].starts_with("{SSHA}")) << "stored as given";
  LdapOptions as_alice = Options();
  as_alice.bind_dn = "uid=alice,ou=People," + kBase;
  as_alice.password = secret;
  backends::ldap::LdapConnection conn(as_alice);
  EXPECT_EQ(conn.Search(kBase, backends::ldap::SearchScope::kBase, "(objectClass=*)", {}).size(),
            1u);
}

// Properties map onto attributes; what has no place reads empty and refuses a write; several
// values where one is expected is an error, not a pick.
TEST_F(LdapBackendTest, PropertiesAndTheirLimits) {
  Start(User("alice", 1000, "displayName: Alice\nloginShell: /bin/bash\n") +
        User("bob", 1001, "description: one\ndescription: two\n"));
  Use(Options());
  auto alice = directory::Bind<IADsUser>(u"WinNT://CORP/alice,user");
  EXPECT_EQ(alice->FullName(), u"Alice");
  EXPECT_EQ(alice->LoginScript(), u"/bin/bash");
  EXPECT_EQ(alice->Profile(), u"");
  EXPECT_EQ(ErrorCodeOf([&] { alice->Profile(u"\\\\srv\\p"); }), errc::kNotSupported);
  alice->AccountDisabled(true);
  alice->Description(u"Engineer");
  alice->SetInfo();
  auto e = Entry("uid=alice,ou=People," + kBase);
  EXPECT_EQ(e.Values("shadowExpire"), std::vector<std::string>{"1"});
  EXPECT_EQ(e.Values("description"), std::vector<std::string>{"Engineer"});
  EXPECT_TRUE(directory::Bind<IADsUser>(u"WinNT://CORP/alice,user")->AccountDisabled());
  std::u16string text;
  EXPECT_EQ(ErrorCodeOf([&] { directory::Bind<IADsUser>(u"WinNT://CORP/bob,user")->Description(); },
                        &text),
            errc::kNotSupported);
  EXPECT_THAT(ToUtf8(text), HasSubstr("2 values"));
}

// Connection faults: a lost connection is opened again once; a server that is down, wrong
// credentials and a missing base are errors naming the URL.
TEST_F(LdapBackendTest, ConnectionFaultsAreClearErrors) {
  Start(User("alice", 1000));
  Use(Options());
  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  server->Stop();
  server->Start();
  EXPECT_THAT(Names(domain->NewEnum()), UnorderedElementsAre(u"alice"));
  server->Stop();
  std::u16string text;
  EXPECT_EQ(ErrorCodeOf([&] { domain->NewEnum(); }, &text), errc::kNetworkUnreachable);
  EXPECT_THAT(ToUtf8(text), HasSubstr(server->url()));
  server->Start();

  LdapOptions wrong = Options();
  wrong.password += "x";
  Use(wrong);
  EXPECT_EQ(ErrorCodeOf([&] { directory::Bind<IADsContainer>(u"WinNT://CORP,domain")->NewEnum(); },
                        &text),
            errc::kAccessDenied);
  EXPECT_THAT(ToUtf8(text), HasSubstr(server->url()));
  EXPECT_EQ(ToUtf8(text).find(wrong.password), std::string::npos);

  LdapOptions missing = Options();
  missing.base = "dc=nowhere,dc=example";
  Use(missing);
  EXPECT_EQ(ErrorCodeOf([&] { directory::Bind<IADsContainer>(u"WinNT://CORP,domain")->NewEnum(); }),
            errc::kNoSuchObject);
  EXPECT_EQ(ErrorCodeOf([&] { directory::Bind<IADsUser>(u"WinNT://OTHER/alice,user"); }),
            errc::kNoSuchObject);
  EXPECT_EQ(ErrorCodeOf([] { backends::ldap::MakeLdapProvider({}); }), errc::kInvalidArg);
}

// Accounts are found anywhere under their container. Renaming or deleting a user changes every
// entry under the base that lists it, whatever the class: memberUid, member and uniqueMember
// (the last member of a class that requires one becomes the group's own DN). A name two entries
// hold is an error naming both.
TEST_F(LdapBackendTest, MembershipFollowsEveryGroupAnywhere) {
  const std::string staff_ou = "ou=Staff,ou=People," + kBase;
  const std::string alice = "uid=alice," + staff_ou, bob = "uid=bob,ou=People," + kBase;
  const std::string admins = "cn=admins,ou=Roles," + kBase, solo = "cn=solo,ou=Roles," + kBase;
  const std::string auditors = "cn=auditors," + kBase;
  Start("dn: " + staff_ou + "\nobjectClass: organizationalUnit\nou: Staff\n\n" + "dn: ou=Roles," +
        kBase + "\nobjectClass: organizationalUnit\nou: Roles\n\n" +
        User("alice", 1000, "", staff_ou) + User("bob", 1001) +
        Group("staff", 50, "memberUid: alice\nmemberUid: bob\n") + "dn: " + admins +
        "\nobjectClass: groupOfNames\ncn: admins\nmember: " + alice + "\nmember: " + bob +
        "\n\ndn: " + solo + "\nobjectClass: groupOfNames\ncn: solo\nmember: " + alice +
        "\n\ndn: " + auditors +
        "\nobjectClass: groupOfUniqueNames\ncn: auditors\nuniqueMember: " + alice + "\n\n");
  Use(Options());
  EXPECT_EQ(directory::Bind<IADsUser>(u"WinNT://CORP/alice,user")->Name(), u"alice");
  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  domain->Filter(Variant::StringArray({u"User"}));
  EXPECT_THAT(Names(domain->NewEnum()), UnorderedElementsAre(u"alice", u"bob"));

  auto renamed = domain->MoveHere(u"WinNT://CORP/alice,user", u"alicia");
  const std::string alicia = "uid=alicia," + staff_ou;
  EXPECT_EQ(Entry(alicia).Values("uidNumber"), std::vector<std::string>{"1000"});
  EXPECT_THAT(Entry("cn=staff,ou=Groups," + kBase).Values("memberUid"),
              UnorderedElementsAre("alicia", "bob"));
  EXPECT_THAT(Entry(admins).Values("member"), UnorderedElementsAre(alicia, bob));
  EXPECT_THAT(Entry(solo).Values("member"), UnorderedElementsAre(alicia));
  EXPECT_THAT(Entry(auditors).Values("uniqueMember"), UnorderedElementsAre(alicia));
  EXPECT_THAT(Names(directory::As<IADsUser>(renamed)->Groups()->NewEnum()),
              UnorderedElementsAre(u"staff"));

  domain->Delete(u"user", u"alicia");
  EXPECT_THAT(Entry("cn=staff,ou=Groups," + kBase).Values("memberUid"),
              UnorderedElementsAre("bob"));
  EXPECT_THAT(Entry(admins).Values("member"), UnorderedElementsAre(bob));
  EXPECT_THAT(Entry(solo).Values("member"), UnorderedElementsAre(solo));
  EXPECT_THAT(Entry(auditors).Values("uniqueMember"), UnorderedElementsAre(auditors));

  server->Add(User("carol", 1002) + User("carol", 1003, "", staff_ou));
  std::u16string text;
  EXPECT_EQ(ErrorCodeOf([] { directory::Bind<IADsUser>(u"WinNT://CORP/carol,user"); }, &text),
            errc::kFail);
  EXPECT_THAT(ToUtf8(text), HasSubstr("uid=carol,ou=People," + kBase));
  EXPECT_THAT(ToUtf8(text), HasSubstr("uid=carol," + staff_ou));
}

// A page size the server refuses is halved until it is accepted; a server that refuses paging
// gets one plain search, which completes under its size limit and is an error naming the size
// limit past it.
TEST_F(LdapBackendTest, PagingAdaptsToTheServer) {
  server = std::make_unique<SlapdServer>(SlapdServer::Options{
      .ldif = Ous() + ManyUsersLdif(300), .limits = "size.pr=40 size.prtotal=unlimited"});
  LdapOptions o = Options();
  o.bind_dn = server->reader_dn();
  o.password = server->reader_password();
  backends::ldap::LdapConnection conn(o);
  EXPECT_EQ(conn.Search("ou=People," + kBase, backends::ldap::SearchScope::kSubtree,
                        "(objectClass=posixAccount)", {"uid"})
                .size(),
            300u);
  EXPECT_GT(conn.PageSize(), 0);
  EXPECT_LE(conn.PageSize(), 40);
  Use(o);
  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  domain->Filter(Variant::StringArray({u"User"}));
  EXPECT_EQ(Names(domain->NewEnum()).size(), 300u);

  server = std::make_unique<SlapdServer>(
      SlapdServer::Options{.ldif = Ous() + ManyUsersLdif(150),
                           .limits = "size.soft=100 size.hard=100 size.prtotal=disabled"});
  o = Options();
  o.bind_dn = server->reader_dn();
  o.password = server->reader_password();
  backends::ldap::LdapConnection plain(o);
  EXPECT_EQ(plain
                .Search("ou=People," + kBase, backends::ldap::SearchScope::kSubtree,
                        "(uid=user00001*)", {"uid"})
                .size(),
            10u);
  EXPECT_EQ(plain.PageSize(), 0);
  Use(o);
  domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  domain->Filter(Variant::StringArray({u"User"}));
  std::u16string text;
  EXPECT_EQ(ErrorCodeOf([&] { domain->NewEnum(); }, &text), errc::kFail);
  EXPECT_THAT(ToUtf8(text), HasSubstr("size limit"));
  EXPECT_THAT(ToUtf8(text), HasSubstr("refused paged results"));

  // A limit on the total of a paged listing is a size limit too, and says it was one.
  server = std::make_unique<SlapdServer>(
      SlapdServer::Options{.ldif = Ous() + ManyUsersLdif(150),
                           .limits = "size.soft=100 size.hard=100 size.prtotal=120"});
  o = Options();
  o.bind_dn = server->reader_dn();
  o.password = server->reader_password();
  o.page_size = 50;
  Use(o);
  domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  domain->Filter(Variant::StringArray({u"User"}));
  EXPECT_EQ(ErrorCodeOf([&] { domain->NewEnum(); }, &text), errc::kFail);
  EXPECT_THAT(ToUtf8(text), HasSubstr("size limit on paged results"));
}

// A change the server refuses does not stay staged: the object then reads what the server
// holds, and the next SetInfo sends only what was put after it.
TEST_F(LdapBackendTest, RefusedWriteDoesNotStayStaged) {
  server = std::make_unique<SlapdServer>(SlapdServer::Options{
      .ldif = Ous() + User("alice", 1000, "loginShell: /bin/sh\n"), .log_operations = true});
  Use(Options());
  auto alice = directory::Bind<IADsUser>(u"WinNT://CORP/alice,user");
  // loginShell is IA5 text: the server refuses what is not ASCII.
  alice->LoginScript(u"/bin/sh\u00e9");
  EXPECT_NE(ErrorCodeOf([&] { alice->SetInfo(); }), 0);
  EXPECT_EQ(alice->LoginScript(), u"/bin/sh");
  const std::string before = server->Log();
  alice->FullName(u"Alice Liddell");
  alice->SetInfo();
  const std::string after = server->Log().substr(before.size());
  // slapd logs attribute names in lower case.
  EXPECT_THAT(after, HasSubstr("MOD attr=displayname"));
  EXPECT_EQ(after.find("loginshell"), std::string::npos) << after;
  auto e = Entry("uid=alice,ou=People," + kBase);
  EXPECT_EQ(e.Values("loginShell"), std::vector<std::string>{"/bin/sh"});
  EXPECT_EQ(e.Values("displayName"), std::vector<std::string>{"Alice Liddell"});
}

// A path cannot hold a name with a comma: creating or renaming to one is refused and says so;
// an existing entry with one is listed, and binding its path is an error that says why.
TEST_F(LdapBackendTest, NamesWithACommaAreListedButNotPaths) {
  Start(User("alice", 1000) + User("a,b=c", 1001));
  Use(Options());
  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  std::u16string text;
  EXPECT_EQ(ErrorCodeOf([&] { domain->Create(u"user", u"x,y"); }, &text), errc::kInvalidName);
  EXPECT_THAT(ToUtf8(text), HasSubstr("comma"));
  EXPECT_EQ(ErrorCodeOf([&] { domain->MoveHere(u"WinNT://CORP/alice,user", u"al,ice"); }, &text),
            errc::kInvalidName);
  EXPECT_THAT(ToUtf8(text), HasSubstr("comma"));
  std::shared_ptr<directory::IADs> comma;
  for (auto walk = domain->NewEnum(); auto o = walk->Next();) {
    if (o->Name() == u"a,b=c") comma = o;
  }
  ASSERT_TRUE(comma);
  for (const std::u16string& path : {comma->ADsPath(), comma->ADsPath() + u",user"}) {
    EXPECT_NE(ErrorCodeOf([&] { directory::Bind<IADsUser>(path); }, &text), 0);
    EXPECT_THAT(ToUtf8(text), HasSubstr("comma")) << ToUtf8(path);
  }
}

}  // namespace
}  // namespace moxtrel::testing
