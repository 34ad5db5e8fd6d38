// The LDAP backend's dc profile against a private slapd holding a domain controller's attributes
// (tests/backends/ldap/dc_test.schema): what the shared account suite does not cover.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <limits>

#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/backends/ldap/ldap_connection.h"
#include "moxtrel/backends/ldap/ldap_mapping.h"
#include "moxtrel/backends/ldap/ldap_provider.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "support/dc_ldif.h"
#include "support/directory_fixture.h"
#include "support/slapd_server.h"

namespace moxtrel::testing {
namespace {

using backends::ldap::LdapOptions;
using directory::IADsContainer;
using directory::IADsGroup;
using directory::IADsUser;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

const std::string kDcBase = SlapdServer::kBase;
constexpr int64_t kNever = std::numeric_limits<int64_t>::max();
// 1 January 2021, 00:00 UTC: as FILETIME ticks and as a Date.
constexpr int64_t k2021Ticks = 132539328000000000;
constexpr double k2021Date = 44197.0;

// FILETIME ticks of `days_ago` days (and an hour) before now.
int64_t TicksDaysAgo(int days_ago) {
  using namespace std::chrono;
  const int64_t unix_now = duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
  return (unix_now - days_ago * 86400 - 3600 + 11644473600) * 10000000;
}

std::string GroupDn(const std::string& cn) {
  return "cn=" + cn + ",cn=Users," + kDcBase;
}

class LdapDcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SlapdServer::Installed()) GTEST_SKIP() << "slapd is not installed (Debian slapd)";
  }
  void TearDown() override { directory::SetCurrentProvider(nullptr); }

  void Start(const std::string& ldif, bool tls = false, const std::string& base_extra = "") {
    server =
        std::make_unique<SlapdServer>(SlapdServer::Options{.ldif = DcContainers() + ldif,
                                                           .schemas = {SlapdServer::DcSchema()},
                                                           .indexes = {"sAMAccountName"},
                                                           .tls = tls,
                                                           .log_operations = true,
                                                           .base_extra = base_extra});
  }
  LdapOptions Options() {
    LdapOptions o;
    o.domain = u"CORP";
    o.url = server->url();
    o.base = kDcBase;
    o.bind_dn = server->admin_dn();
    o.password = server->admin_password();
    o.schema = backends::ldap::LdapSchema::kDc;
    o.allow_plaintext = true;  // a private server on loopback: only the bind goes in clear
    return o;
  }
  void Use(const LdapOptions& o) {
    directory::SetCurrentProvider(backends::ldap::MakeLdapProvider(o));
  }
  backends::ldap::LdapEntry Entry(const std::string& dn) {
    backends::ldap::LdapConnection conn(Options());
    auto found = conn.Search(dn, backends::ldap::SearchScope::kBase, "(objectClass=*)", {"*"});
    return found.empty() ? backends::ldap::LdapEntry{} : found.front();
  }
  std::string Value(const std::string& dn, const char* attr) {
    const auto e = Entry(dn);
    const auto& v = e.Values(attr);
    return v.size() == 1 ? v.front() : "<" + std::to_string(v.size()) + " values>";
  }
  std::shared_ptr<IADsUser> User(const std::u16string& name) {
    return directory::Bind<IADsUser>(u"WinNT://CORP/" + name + u",user");
  }

  std::unique_ptr<SlapdServer> server;
};

// FILETIME conversions: whole seconds since 1601 both ways; 0 and 2^63-1 are "never".
TEST(LdapDcFileTime, ConvertsBothWays) {
  using backends::ldap::DateOfFileTime;
  using backends::ldap::FileTimeOf;
  EXPECT_EQ(DateOfFileTime(0).value, 0.0);
  EXPECT_EQ(DateOfFileTime(kNever).value, 0.0);
  EXPECT_EQ(DateOfFileTime(-1).value, 0.0);
  EXPECT_EQ(DateOfFileTime(k2021Ticks).value, k2021Date);
  EXPECT_EQ(DateOfFileTime(k2021Ticks + 12 * 3600 * 10000000LL).value, k2021Date + 0.5);
  EXPECT_EQ(FileTimeOf(Date{k2021Date + 0.5}), k2021Ticks + 12 * 3600 * 10000000LL);
  EXPECT_EQ(FileTimeOf(Date{0.0}), kNever);
  // 1 January 1601 is day -109205 of the Date scale; nothing before it has a FILETIME.
  EXPECT_EQ(FileTimeOf(Date{-109205.0 + 1.0}), 86400LL * 10000000);
  EXPECT_EQ(FileTimeOf(Date{-109206.0}), std::nullopt);
  for (double d : {1.0, 25569.25, 2958465.0}) {
    EXPECT_EQ(DateOfFileTime(*FileTimeOf(Date{d})).value, d) << d;
  }
}

// UserFlags is userAccountControl, bit for bit; AccountDisabled, PasswordRequired and the
// object model's flag properties change their own bit and keep the others; a lock shows in
// lockoutTime and only an unlock can be written.
TEST_F(LdapDcTest, UserFlagsAreUserAccountControl) {
  Start(DcUser("alice") + DcUser("bob", "lockoutTime: 132539328000000000\n", 1001));
  Use(Options());
  const std::string alice_dn = DcUserDn("alice");
  auto alice = User(u"alice");
  EXPECT_EQ(alice->Get(u"UserFlags").ToLong(), 0x200);
  EXPECT_FALSE(alice->AccountDisabled());
  EXPECT_TRUE(alice->PasswordRequired());
  alice->AccountDisabled(true);
  alice->SetInfo();
  EXPECT_EQ(Value(alice_dn, "userAccountControl"), "514");
  alice->PasswordRequired(false);
  alice->SetInfo();
  EXPECT_EQ(Value(alice_dn, "userAccountControl"), "546");

  auto model = moxUser::Create();
  ASSERT_TRUE(model->Find(u"alice", u"CORP", moxType::moxGlobal));
  model->PasswordDoesntExpire(true);
  EXPECT_EQ(Value(alice_dn, "userAccountControl"), std::to_string(0x10000 | 546));
  EXPECT_TRUE(model->AccountDisabled());
  model->AccountDisabled(false);
  EXPECT_EQ(Value(alice_dn, "userAccountControl"), std::to_string(0x10000 | 544));
  EXPECT_TRUE(model->PasswordDoesntExpire());

  auto bob = User(u"bob");
  EXPECT_TRUE(bob->IsAccountLocked());
  EXPECT_FALSE(alice->IsAccountLocked());
  EXPECT_EQ(ErrorCodeOf([&] { alice->IsAccountLocked(true); }), errc::kNotSupported);
  bob->IsAccountLocked(false);
  bob->SetInfo();
  EXPECT_EQ(Value(DcUserDn("bob"), "lockoutTime"), "0");
  EXPECT_FALSE(User(u"bob")->IsAccountLocked());
}

// accountExpires, pwdLastSet, lastLogon and badPwdCount read as the model's dates and numbers;
// "never" is 0 or 2^63-1 and is written as 2^63-1; pwdLastSet 0 means the password must change.
TEST_F(LdapDcTest, DatesAreFileTimes) {
  Start(DcUser("alice", "accountExpires: " + std::to_string(k2021Ticks) +
                            "\npwdLastSet: 0\nlastLogon: " + std::to_string(k2021Ticks) +
                            "\nbadPwdCount: 3\nprimaryGroupID: 513\n") +
        DcUser("bob", "accountExpires: 0\npwdLastSet: " + std::to_string(TicksDaysAgo(10)) + "\n",
               1001) +
        DcUser("carol", "accountExpires: " + std::to_string(kNever) + "\n", 1002));
  Use(Options());
  auto alice = User(u"alice");
  EXPECT_EQ(alice->AccountExpirationDate().value, k2021Date);
  EXPECT_EQ(alice->LastLogin().value, k2021Date);
  EXPECT_EQ(alice->LastLogoff().value, 0.0);
  EXPECT_EQ(alice->Get(u"BadPasswordAttempts").ToLong(), 3);
  EXPECT_EQ(alice->Get(u"PrimaryGroupID").ToLong(), 513);
  EXPECT_EQ(alice->Get(u"PasswordExpired").ToLong(), 1);
  EXPECT_EQ(alice->Get(u"PasswordAge").ToLong(), 0);
  auto bob = User(u"bob");
  EXPECT_EQ(bob->AccountExpirationDate().value, 0.0);
  EXPECT_EQ(User(u"carol")->AccountExpirationDate().value, 0.0);
  EXPECT_EQ(bob->Get(u"PasswordExpired").ToLong(), 0);
  EXPECT_EQ(bob->Get(u"PasswordAge").ToLong(), 10);

  alice->AccountExpirationDate(Date{k2021Date + 0.5});
  alice->Put(u"PasswordExpired", Variant(int32_t{0}));
  alice->SetInfo();
  EXPECT_EQ(Value(DcUserDn("alice"), "accountExpires"),
            std::to_string(k2021Ticks + 12 * 3600 * 10000000LL));
  // -1 asks a domain controller to set it to now.
  EXPECT_EQ(Value(DcUserDn("alice"), "pwdLastSet"), "-1");
  bob->Put(u"PasswordExpired", Variant(int32_t{1}));
  bob->AccountExpirationDate(Date{k2021Date});
  bob->SetInfo();
  EXPECT_EQ(Value(DcUserDn("bob"), "pwdLastSet"), "0");
  alice->AccountExpirationDate(Date{0.0});
  alice->SetInfo();
  EXPECT_EQ(Value(DcUserDn("alice"), "accountExpires"), std::to_string(kNever));
  std::u16string text;
  EXPECT_EQ(ErrorCodeOf([&] { alice->AccountExpirationDate(Date{-200000.0}); }, &text),
            errc::kInvalidArg);
  EXPECT_THAT(ToUtf8(text), HasSubstr("1601"));
  EXPECT_EQ(ErrorCodeOf([&] { alice->Put(u"PasswordAge", Variant(int32_t{3})); }),
            errc::kNotSupported);
}

// objectSid is the SID as bytes; groupType's scope bits give the model's group type; a new
// account is one add with the dc classes and defaults, a staged flag included.
TEST_F(LdapDcTest, SidsGroupTypesAndNewAccounts) {
  // Global, domain local and universal security groups.
  Start(DcUser("alice") + DcGroup("staff", {}) + DcGroup("local", {}, "", -2147483644) +
        DcGroup("everyone", {}, "", -2147483640) +
        DcComputer("PC1", "operatingSystem: Windows\noperatingSystemVersion: 10.0\n"));
  Use(Options());
  auto model = moxUser::Create();
  ASSERT_TRUE(model->Find(u"alice", u"CORP", moxType::moxGlobal));
  EXPECT_EQ(model->SID(), u"010500000000000515000000010000000200000003000000E8030000");
  auto group = [](const char16_t* n) {
    return directory::Bind<IADsGroup>(std::u16string(u"WinNT://CORP/") + n + u",group");
  };
  EXPECT_EQ(group(u"staff")->Get(u"GroupType").ToLong(), 2);
  EXPECT_EQ(group(u"local")->Get(u"GroupType").ToLong(), 4);
  EXPECT_EQ(group(u"everyone")->Get(u"GroupType").ToLong(), 2);
  auto staff = group(u"staff");
  staff->Put(u"GroupType", Variant(int32_t{4}));
  staff->SetInfo();
  EXPECT_EQ(Value(GroupDn("staff"), "groupType"), "-2147483644");
  EXPECT_EQ(ErrorCodeOf([&] { staff->Put(u"GroupType", Variant(int32_t{8})); }),
            errc::kNotSupported);
  EXPECT_EQ(group(u"staff")->Get(u"ObjectSID").AsBytes().size(), 0u);

  // A computer is named without its account name's "$" and is not a user.
  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  domain->Filter(Variant::StringArray({u"Computer"}));
  EXPECT_THAT(Names(domain->NewEnum()), UnorderedElementsAre(u"PC1"));
  auto pc = directory::Bind<directory::IADsComputer>(u"WinNT://CORP/PC1,computer");
  EXPECT_EQ(pc->OperatingSystem(), u"Windows");
  EXPECT_EQ(pc->OperatingSystemVersion(), u"10.0");
  EXPECT_EQ(ErrorCodeOf([] { directory::Bind<IADsUser>(u"WinNT://CORP/PC1,user"); }),
            errc::kNoSuchObject);

  domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  auto dan = directory::As<IADsUser>(domain->Create(u"user", u"dan"));
  dan->AccountDisabled(true);
  dan->FullName(u"Dan Evans");
  dan->SetInfo();
  auto e = Entry(DcUserDn("dan"));
  EXPECT_THAT(e.Values("objectClass"), UnorderedElementsAre("user"));
  EXPECT_EQ(e.Values("sAMAccountName"), std::vector<std::string>{"dan"});
  EXPECT_EQ(e.Values("userAccountControl"), std::vector<std::string>{"514"});
  EXPECT_EQ(e.Values("displayName"), std::vector<std::string>{"Dan Evans"});
  domain->Create(u"group", u"team")->SetInfo();
  EXPECT_EQ(Value(GroupDn("team"), "groupType"), "-2147483646");
  EXPECT_EQ(Value(GroupDn("team"), "sAMAccountName"), "team");
  EXPECT_EQ(ErrorCodeOf([&] { domain->Create(u"group", u"DAN"); }), errc::kObjectExists);
}

// A listing brings every attribute the dc rows read: each member reads every property as the
// whole entry gives it, with no request of its own.
TEST_F(LdapDcTest, ListedMembersReadEveryPropertyFromTheirListing) {
  Start(DcUser("alice",
               "displayName: Alice Ames\ndescription: first\nhomeDirectory: \\\\fs\\alice\n"
               "homeDrive: H:\nscriptPath: logon.cmd\nprofilePath: \\\\fs\\p\n"
               "primaryGroupID: 513\nlockoutTime: 132539328000000000\n"
               "accountExpires: 132539328000000000\npwdLastSet: 0\n"
               "lastLogon: 132539328000000000\nlastLogoff: 132539328000000000\nbadPwdCount: 2\n") +
        DcUser("bob", "", 1001) + DcGroup("staff", {}, "description: the staff\n") +
        DcComputer("PC1", "operatingSystem: Windows\noperatingSystemVersion: 10.0\n"));
  Use(Options());
  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  auto walk = domain->NewEnum();
  int members = 0;
  while (auto member = walk->Next()) {
    ++members;
    const std::u16string cls = member->Class();
    const auto kind = cls == u"User"    ? directory::ObjectKind::kUser
                      : cls == u"Group" ? directory::ObjectKind::kGroup
                                        : directory::ObjectKind::kComputer;
    const std::string name = ToUtf8(member->Name());
    const auto whole =
        Entry(kind == directory::ObjectKind::kComputer ? "cn=" + name + ",cn=Computers," + kDcBase
              : kind == directory::ObjectKind::kGroup  ? GroupDn(name)
                                                       : DcUserDn(name));
    auto searches = [&] {
      const std::string log = server->Log();
      int n = 0;
      for (auto at = log.find(" SRCH base="); at != std::string::npos;
           at = log.find(" SRCH base=", at + 1)) {
        ++n;
      }
      return n;
    };
    const int read = searches();
    for (const auto& row : backends::ldap::DcPropertiesOf(kind)) {
      EXPECT_TRUE(member->Get(row.name) == row.get(whole))
          << name << "." << ToUtf8(std::u16string(row.name));
    }
    EXPECT_EQ(searches(), read);
  }
  EXPECT_EQ(members, 4);
}

// Membership is member DNs, one modify per change; a rename changes sAMAccountName only, so the
// DN groups hold stays right; a deleted user leaves no member value in any group, one modify
// per group that listed it.
TEST_F(LdapDcTest, MembershipIsMemberDns) {
  Start(DcUser("alice") + DcUser("bob", "", 1001) +
        DcGroup("staff", {DcUserDn("alice"), "cn=PC1,cn=Computers," + kDcBase,
                          "cn=gone,cn=Users," + kDcBase}) +
        // bob's DN spelled otherwise than the server spells his entry's.
        DcGroup("ops", {DcUserDn("alice"), "CN=Bob, CN=Users, DC=corp, DC=example"}) +
        DcGroup("empty", {}) + DcComputer("PC1"));
  Use(Options());
  auto staff = directory::Bind<IADsGroup>(u"WinNT://CORP/staff,group");
  // A computer and a DN with no entry are not users: left out.
  EXPECT_THAT(Names(staff->Members()->NewEnum()), UnorderedElementsAre(u"alice"));
  const int before = server->Modifies(GroupDn("staff"));
  staff->Add(u"WinNT://CORP/bob,user");
  EXPECT_EQ(server->Modifies(GroupDn("staff")), before + 1);
  EXPECT_THAT(Entry(GroupDn("staff")).Values("member"), ::testing::Contains(DcUserDn("bob")));
  EXPECT_TRUE(staff->IsMember(u"WinNT://CORP/BOB,user"));
  EXPECT_EQ(ErrorCodeOf([&] { staff->Add(u"WinNT://CORP/bob,user"); }), errc::kMemberInGroup);
  staff->Remove(u"WinNT://CORP/bob,user");
  EXPECT_FALSE(staff->IsMember(u"WinNT://CORP/bob,user"));
  EXPECT_EQ(ErrorCodeOf([&] { staff->Remove(u"WinNT://CORP/bob,user"); }), errc::kMemberNotInGroup);
  EXPECT_EQ(server->Modifies(GroupDn("staff")), before + 4);
  EXPECT_THAT(Names(User(u"bob")->Groups()->NewEnum()), UnorderedElementsAre(u"ops"));

  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  auto renamed = domain->MoveHere(u"WinNT://CORP/alice,user", u"alicia");
  EXPECT_EQ(renamed->Name(), u"alicia");
  EXPECT_EQ(Value(DcUserDn("alice"), "sAMAccountName"), "alicia");
  EXPECT_EQ(server->Modifies(GroupDn("ops")), 0);
  EXPECT_THAT(Names(directory::Bind<IADsGroup>(u"WinNT://CORP/ops,group")->Members()->NewEnum()),
              UnorderedElementsAre(u"alicia", u"bob"));
  EXPECT_EQ(ErrorCodeOf([] { directory::Bind<IADsUser>(u"WinNT://CORP/alice,user"); }),
            errc::kNoSuchObject);

  domain->Delete(u"user", u"alicia");
  EXPECT_EQ(Entry(GroupDn("ops")).Values("member").size(), 1u);
  EXPECT_THAT(
      Entry(GroupDn("staff")).Values("member"),
      UnorderedElementsAre("cn=PC1,cn=Computers," + kDcBase, "cn=gone,cn=Users," + kDcBase));
  EXPECT_EQ(server->Modifies(GroupDn("ops")), 1);
  EXPECT_EQ(server->Modifies(GroupDn("empty")), 0);
  domain->Delete(u"user", u"bob");
  // The last member goes too: a group needs none.
  EXPECT_THAT(Entry(GroupDn("ops")).Values("member"), IsEmpty());
}

// Names with filter and DN syntax are matched and stored as themselves, in account names and in
// the member DNs that filters carry.
TEST_F(LdapDcTest, HostileNamesAreMatchedExactly) {
  Start(DcUser("alice") + DcUser("a,b=c", "", 1001) + DcUser("*)(sAMAccountName=*", "", 1002) +
        DcGroup("staff", {}) + DcGroup("ops", {DcUserDn("a,b=c"), DcUserDn("alice")}));
  Use(Options());
  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  domain->Filter(Variant::StringArray({u"User"}));
  EXPECT_THAT(Names(domain->NewEnum()),
              UnorderedElementsAre(u"alice", u"a,b=c", u"*)(sAMAccountName=*"));
  EXPECT_EQ(User(u"*)(sAMAccountName=*")->Name(), u"*)(sAMAccountName=*");
  for (std::u16string pattern : {u"*", u"al*", u"*)(cn=*", u"a\\2cb"}) {
    EXPECT_EQ(ErrorCodeOf([&] { User(pattern); }), errc::kNoSuchObject) << ToUtf8(pattern);
  }
  // A path cannot spell the comma: the user "a,b=c" is reached through the listing. Its DN,
  // escaped, goes into the filter that finds its groups.
  std::shared_ptr<IADsUser> comma;
  for (auto e = domain->NewEnum(); auto o = e->Next();) {
    if (o->Name() == u"a,b=c") comma = directory::As<IADsUser>(o);
  }
  ASSERT_TRUE(comma);
  EXPECT_THAT(Names(comma->Groups()->NewEnum()), UnorderedElementsAre(u"ops"));
  auto ops = directory::Bind<IADsGroup>(u"WinNT://CORP/ops,group");
  EXPECT_THAT(Names(ops->Members()->NewEnum()), UnorderedElementsAre(u"a,b=c", u"alice"));
  domain->Delete(u"user", u"a,b=c");
  EXPECT_THAT(Entry(GroupDn("ops")).Values("member"), UnorderedElementsAre(DcUserDn("alice")));

  auto staff = directory::Bind<IADsGroup>(u"WinNT://CORP/staff,group");
  staff->Add(u"WinNT://CORP/*)(sAMAccountName=*,user");
  EXPECT_EQ(Entry(GroupDn("staff")).Values("member").size(), 1u);
  EXPECT_THAT(Names(staff->Members()->NewEnum()), UnorderedElementsAre(u"*)(sAMAccountName=*"));
  EXPECT_TRUE(staff->IsMember(u"WinNT://CORP/*)(sAMAccountName=*,user"));
  EXPECT_FALSE(staff->IsMember(u"WinNT://CORP/alice,user"));
  domain->Create(u"user", u"#x y")->SetInfo();
  EXPECT_EQ(Value("cn=\\#x y,cn=Users," + kDcBase, "sAMAccountName"), "#x y");
  EXPECT_EQ(User(u"#x y")->Name(), u"#x y");
}

// The domain's policy is read from the domain object: counts as they are, intervals (negative
// 100 ns) as seconds, "never" as 0; the backend does not write it.
TEST_F(LdapDcTest, DomainPolicyComesFromTheDomainObject) {
  Start(DcUser("alice"), false,
        "objectClass: domainDNS\nminPwdLength: 7\nminPwdAge: -864000000000\n"
        "maxPwdAge: -36288000000000\npwdHistoryLength: 24\nlockoutThreshold: 5\n"
        "lockoutDuration: -18000000000\nlockOutObservationWindow: -9223372036854775808\n");
  Use(Options());
  auto domain = directory::Bind<directory::IADs>(u"WinNT://CORP,domain");
  EXPECT_EQ(domain->Get(u"MinPasswordLength").ToLong(), 7);
  EXPECT_EQ(domain->Get(u"MinPasswordAge").ToLong(), 86400);
  EXPECT_EQ(domain->Get(u"MaxPasswordAge").ToLong(), 42 * 86400);
  EXPECT_EQ(domain->Get(u"PasswordHistoryLength").ToLong(), 24);
  EXPECT_EQ(domain->Get(u"MaxBadPasswordsAllowed").ToLong(), 5);
  EXPECT_EQ(domain->Get(u"AutoUnlockInterval").ToLong(), 1800);
  EXPECT_EQ(domain->Get(u"LockoutObservationInterval").ToLong(), 0);
  domain->Put(u"MinPasswordLength", Variant(int32_t{7}));
  EXPECT_EQ(ErrorCodeOf([&] { domain->Put(u"MinPasswordLength", Variant(int32_t{8})); }),
            errc::kNotSupported);
}

// unicodePwd is sent only over an encrypted session: on a plain one SetPassword is refused, says
// why, and sends nothing; over StartTLS the password is written as quoted UTF-16LE.
TEST_F(LdapDcTest, PasswordsGoOnlyOverEncryptedConnections) {
  if (!SlapdServer::CanMakeCertificates()) GTEST_SKIP() << "openssl is not installed";
  Start(DcUser("alice"), /*tls=*/true);
  const std::string secret = "Pä" + server->reader_password();  // made per run
  Use(Options());
  std::u16string text;
  EXPECT_EQ(ErrorCodeOf([&] { User(u"alice")->SetPassword(FromUtf8(secret)); }, &text),
            errc::kAccessDenied);
  EXPECT_THAT(ToUtf8(text), HasSubstr("encrypted"));
  EXPECT_THAT(ToUtf8(text), HasSubstr(server->url()));
  EXPECT_EQ(ToUtf8(text).find(secret), std::string::npos);
  EXPECT_EQ(server->Modifies(DcUserDn("alice")), 0);
  EXPECT_THAT(Entry(DcUserDn("alice")).Values("unicodePwd"), IsEmpty());

  LdapOptions tls = Options();
  tls.start_tls = true;
  tls.tls_ca_file = server->ca_file();
  Use(tls);
  User(u"alice")->SetPassword(FromUtf8(secret));
  std::string expected;
  for (char16_t c : u"\"" + FromUtf8(secret) + u"\"") {
    expected.push_back(static_cast<char>(c & 0xFF));
    expected.push_back(static_cast<char>(c >> 8));
  }
  EXPECT_EQ(Entry(DcUserDn("alice")).Values("unicodePwd"), std::vector<std::string>{expected});
  EXPECT_EQ(server->Log().find(secret), std::string::npos);

  // A certificate that is not trusted is an error of the connection, not a silent fallback.
  LdapOptions untrusted = tls;
  untrusted.tls_ca_file = server->folder() + "/no-authority.pem";
  std::ofstream(untrusted.tls_ca_file).flush();  // empty: trusts no one
  Use(untrusted);
  EXPECT_NE(ErrorCodeOf([&] { User(u"alice"); }, &text), 0u);
  EXPECT_THAT(ToUtf8(text), HasSubstr("StartTLS"));
}

}  // namespace
}  // namespace moxtrel::testing
