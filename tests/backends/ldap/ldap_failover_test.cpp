// Several servers for one domain: two private slapd replicas kept in step by syncrepl. A listing
// under way when the first server dies completes from the second, whole and once; a write that
// finds only a read-only replica fails and says so.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <thread>

#include "backends/ldap/ldap_fixture.h"
#include "moxtrel/backends/ldap/ldap_connection.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using backends::ldap::LdapConnection;
using backends::ldap::LdapOptions;
using backends::ldap::SearchScope;
using directory::IADsContainer;
using directory::IADsUser;
using ::testing::HasSubstr;

constexpr int kUsers = 10000;
constexpr int kPage = 50;

class LdapFailoverTest : public LdapTest {
 protected:
  // Both servers, the first holding the users and the second following it.
  void StartPair() {
    first = std::make_unique<SlapdServer>(SlapdServer::Options{
        .ldif = Ous() + ManyUsersLdif(kUsers), .log_operations = true, .syncprov = true});
    second = std::make_unique<SlapdServer>(
        SlapdServer::Options{.ldif = "", .log_operations = true, .replica_of = first.get()});
    // The replica has caught up when its base entry carries the first server's change state.
    auto state = [&](const std::string& url) {
      LdapOptions o = Both();
      o.url = url;
      try {
        LdapConnection conn(o);
        auto found = conn.Search(kLdapBase, SearchScope::kBase, "(objectClass=*)", {"contextCSN"});
        if (!found.empty()) return found.front().Values("contextCSN");
      } catch (const AutomationError&) {
      }
      return std::vector<std::string>{};
    };
    const auto wanted = state(first->url());
    ASSERT_FALSE(wanted.empty());
    const auto start = std::chrono::steady_clock::now();
    while (state(second->url()) != wanted) {
      if (std::chrono::steady_clock::now() - start > std::chrono::seconds(120)) {
        const std::string log = second->Log();
        FAIL() << "the replica did not catch up in 120 s: "
               << log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  // The admin (the replica's is the same) on both servers, the first server first.
  LdapOptions Both() {
    LdapOptions o;
    o.domain = u"CORP";
    o.url = first->url() + " " + second->url();
    o.base = kLdapBase;
    o.bind_dn = first->admin_dn();
    o.password = first->admin_password();
    o.allow_plaintext = true;
    o.page_size = kPage;
    return o;
  }
  static int PeopleSearches(const SlapdServer& s) {
    return Occurrences(s.Log(), "SRCH base=\"ou=People," + kLdapBase + "\"");
  }

  std::unique_ptr<SlapdServer> first, second;
};

TEST_F(LdapFailoverTest, ListingCompletesFromTheReplicaWhenTheFirstServerDies) {
  ASSERT_NO_FATAL_FAILURE(StartPair());
  Use(Both());
  auto domain = directory::Bind<IADsContainer>(u"WinNT://CORP,domain");
  domain->Filter(Variant::StringArray({u"User"}));

  // The first server is killed once it has answered a tenth of the pages.
  const int before = PeopleSearches(*first);
  std::atomic<bool> killed{false};
  std::thread killer([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (PeopleSearches(*first) < before + kUsers / kPage / 10 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    first->Kill();
    killed = true;
  });
  std::vector<std::u16string> names;
  std::u16string text;
  const auto code = ErrorCodeOf(
      [&] {
        auto walk = domain->NewEnum();
        while (auto user = walk->Next()) names.push_back(user->Name());
      },
      &text);
  killer.join();
  ASSERT_EQ(code, 0u) << ToUtf8(text);
  ASSERT_TRUE(killed);

  // Every user once: nothing twice, nothing missing.
  const std::set<std::u16string> unique(names.begin(), names.end());
  EXPECT_EQ(names.size(), static_cast<std::size_t>(kUsers));
  EXPECT_EQ(unique.size(), static_cast<std::size_t>(kUsers));
  EXPECT_TRUE(unique.contains(u"user000001"));
  EXPECT_TRUE(unique.contains(u"user010000"));
  // The first server answered part of the listing, and the replica all of it.
  const int pages = kUsers / kPage;
  EXPECT_LT(PeopleSearches(*first) - before, pages);
  EXPECT_GE(PeopleSearches(*second), pages);

  // Reads go on from the replica.
  auto user = directory::Bind<IADsUser>(u"WinNT://CORP/user000042,user");
  EXPECT_EQ(user->HomeDirectory(), u"/home/user000042");

  // A write finds no writable server: the replica refuses it, and the error says so.
  user->Description(u"changed");
  EXPECT_NE(ErrorCodeOf([&] { user->SetInfo(); }, &text), 0u);
  EXPECT_THAT(ToUtf8(text), HasSubstr("read-only replica"));
  EXPECT_THAT(ToUtf8(text), HasSubstr(second->url()));

  // With the first server back, the write goes to it, and the replica follows.
  first->Start();
  user = directory::Bind<IADsUser>(u"WinNT://CORP/user000042,user");
  user->Description(u"changed");
  ASSERT_EQ(ErrorCodeOf([&] { user->SetInfo(); }, &text), 0u) << ToUtf8(text);
  LdapOptions o = Both();
  o.url = first->url();
  LdapConnection conn(o);
  const auto found = conn.Search("uid=user000042,ou=People," + kLdapBase, SearchScope::kBase,
                                 "(objectClass=*)", {"description"});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Values("description"), std::vector<std::string>{"changed"});
}

pid_t PidOf(const SlapdServer& s) {
  std::ifstream in(s.folder() + "/slapd.pid");
  long pid = 0;
  in >> pid;
  return static_cast<pid_t>(pid);
}

// A server that stalls (stopped, its socket still open) is left after the operation timeout,
// and the read is answered by the next one.
TEST_F(LdapFailoverTest, ReadMovesOnWhenAServerStalls) {
  const std::string users = Ous() + User("alice", 1000, "displayName: Alice\n");
  first = std::make_unique<SlapdServer>(SlapdServer::Options{.ldif = users});
  second = std::make_unique<SlapdServer>(SlapdServer::Options{.ldif = users});
  auto as_admin = [](const SlapdServer& s) {
    LdapOptions o;
    o.domain = u"CORP";
    o.url = s.url();
    o.base = kLdapBase;
    o.bind_dn = s.admin_dn();
    o.password = s.admin_password();
    o.allow_plaintext = true;
    return o;
  };
  // One reader password on both servers.
  LdapConnection(as_admin(*second)).SetPassword(second->reader_dn(), first->reader_password());
  LdapOptions o = as_admin(*first);
  o.url = first->url() + " " + second->url();
  o.bind_dn = first->reader_dn();
  o.password = first->reader_password();
  o.operation_timeout = std::chrono::milliseconds(500);
  Use(o);
  EXPECT_EQ(directory::Bind<IADsUser>(u"WinNT://CORP/alice,user")->FullName(), u"Alice");

  const pid_t stalled = PidOf(*first);
  ASSERT_GT(stalled, 0);
  ASSERT_EQ(kill(stalled, SIGSTOP), 0);
  std::u16string text;
  std::u16string name;
  const auto code = ErrorCodeOf(
      [&] { name = directory::Bind<IADsUser>(u"WinNT://CORP/alice,user")->Name(); }, &text);
  kill(stalled, SIGCONT);
  EXPECT_EQ(code, 0u) << ToUtf8(text);
  EXPECT_EQ(name, u"alice");
}

// Nothing answers: the error names every server and why it was left.
TEST_F(LdapFailoverTest, NoServerAnsweringNamesEach) {
  Start("");
  LdapOptions o = Options();
  const std::string dead = "ldap://127.0.0.1:1";
  o.url = dead + " " + dead.substr(0, dead.size() - 1) + "9";
  Use(o);
  std::u16string text;
  EXPECT_EQ(ErrorCodeOf([] { directory::Bind<IADsUser>(u"WinNT://CORP/alice,user"); }, &text),
            errc::kNetworkUnreachable);
  EXPECT_THAT(ToUtf8(text), HasSubstr("ldap://127.0.0.1:1 ("));
  EXPECT_THAT(ToUtf8(text), HasSubstr("ldap://127.0.0.1:9 ("));

  // A dead server before a live one is passed over.
  o.url = dead + " " + server->url();
  Use(o);
  EXPECT_EQ(ErrorCodeOf([] { directory::Bind<IADsUser>(u"WinNT://CORP/nobody,user"); }),
            errc::kNoSuchObject);
}

}  // namespace
}  // namespace moxtrel::testing
