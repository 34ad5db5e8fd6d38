// The audit trail: each change made through a configured real backend is one line with who made
// it, the object's path and the change; failed changes and reads write nothing, and a password
// is never shown.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/backends/configuration.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/journal/audit_trail.h"
#include "moxtrel/journal/journal_layer.h"
#include "moxtrel/printing/print_job.h"
#include "moxtrel/printing/print_jobs.h"
#include "moxtrel/printing/print_queue.h"
#include "moxtrel/servers/server.h"
#include "support/cupsd_server.h"
#include "support/files_tree.h"

namespace moxtrel::testing {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class AuditTrailTest : public ::testing::Test {
 protected:
  AuditTrailTest() {
    tree.AddGroup("staff", 50).AddGroup("alice", 1000).AddUser("alice", 1000, 1000, "Alice");
    log = tree.root() + "/audit.log";
  }
  ~AuditTrailTest() override { directory::SetCurrentProvider(nullptr); }

  void Load(const std::string& more = "") {
    const std::string text = "[audit]\nlog = \"file\"\nfile = \"" + log +
                             "\"\n[computers.PC1]\nroot = \"" + tree.root() + "\"\n" + more;
    directory::SetCurrentProvider(directory::ParseConfiguration(text, tree.root() + "/m.toml"));
  }

  FilesTree tree;
  std::string log;
};

TEST_F(AuditTrailTest, EachAccountChangeIsOneLineNamingWhoWhatAndWhere) {
  Load();
  auto server = moxServer::Create();
  server->Name(u"PC1");
  std::u16string name = u"zoe";
  const std::u16string secret = u"Pw-" + FromUtf8(std::to_string(getpid())) + u"-x9";
  ASSERT_TRUE(server->Users()->Add(name, u"Zoe Quinn", u"Night"));
  auto zoe = server->Users()->Item(Variant(u"zoe"));
  zoe->FullName(u"Zoe Quinn-Smith");
  ASSERT_TRUE(zoe->SetPassword(secret));
  std::u16string staff = u"staff";
  ASSERT_TRUE(zoe->AddToGroup(staff));
  ASSERT_TRUE(zoe->RemoveFromGroup(staff));
  std::u16string group = u"night";
  ASSERT_TRUE(server->Groups()->Add(group));
  ASSERT_TRUE(server->Groups()->Remove(Variant(u"night")));
  ASSERT_TRUE(server->Users()->Remove(Variant(u"zoe")));
  // Refused changes and reads leave no line.
  std::u16string again = u"alice";
  EXPECT_FALSE(server->Users()->Add(again));
  server->Users()->Item(Variant(u"alice"))->FullName();

  const auto lines = Lines(log);
  const std::string actor = directory::AuditTrail::Actor();
  EXPECT_THAT(lines, Each(AllOf(HasSubstr(" moxtrel["), HasSubstr("accounts: " + actor + ": "))));
  auto has = [&](const std::string& text) { EXPECT_THAT(lines, Contains(HasSubstr(text))); };
  has("WinNT://PC1/zoe: created user; set ");
  has("WinNT://PC1/zoe: set FullName = \"Zoe Quinn-Smith\"");
  has("WinNT://PC1/zoe: set the password");
  has("WinNT://PC1/staff: added member WinNT://PC1/zoe");
  has("WinNT://PC1/staff: removed member WinNT://PC1/zoe");
  has("WinNT://PC1/night: created group");
  has("WinNT://PC1/night: deleted group");
  has("WinNT://PC1/zoe: deleted user");
  EXPECT_EQ(lines.size(), 8u) << ::testing::PrintToString(lines);
  std::ifstream in(log);
  std::stringstream all;
  all << in.rdbuf();
  EXPECT_THAT(all.str(), Not(HasSubstr(ToUtf8(secret))));
  EXPECT_THAT(all.str(), Not(HasSubstr("alice")));
  EXPECT_EQ(std::filesystem::status(log).permissions() & std::filesystem::perms::others_all,
            std::filesystem::perms::none);
}

TEST_F(AuditTrailTest, ConfigurationChoosesTheLogAndRefusesWhatItCannotUse) {
  auto check = [&](const std::string& audit) -> std::string {
    try {
      directory::ParseConfiguration(
          "[audit]\n" + audit + "\n[computers.PC1]\nroot = \"" + tree.root() + "\"\n", "m.toml");
      return "";
    } catch (const directory::ConfigurationError& e) {
      return e.what();
    }
  };
  EXPECT_EQ(check("log = \"none\""), "");
  EXPECT_EQ(check("log = \"syslog\""), "");
  EXPECT_THAT(check("log = \"file\""), HasSubstr("m.toml:2: audit.log: give the audit file"));
  EXPECT_THAT(check("log = \"mail\""), HasSubstr("unknown audit log \"mail\""));
  EXPECT_THAT(check("file = \"x.log\""), HasSubstr("audit.file: give log = \"file\" too"));
  EXPECT_THAT(check("log = \"file\"\nfile = \"" + tree.root() + "\""), HasSubstr("Is a directory"));
  EXPECT_THAT(check("colour = 1"), HasSubstr("audit.colour: unknown key"));

  // With no log, changes still land and nothing is written.
  directory::SetCurrentProvider(directory::ParseConfiguration(
      "[audit]\nlog = \"none\"\n[computers.PC1]\nroot = \"" + tree.root() + "\"\n", "m.toml"));
  auto server = moxServer::Create();
  server->Name(u"PC1");
  std::u16string name = u"yan";
  EXPECT_TRUE(server->Users()->Add(name));
  EXPECT_FALSE(std::filesystem::exists(log));
}

// A trace or a test journal around an audited backend: the failed call is marked with the
// member that trapped it in the outer journal, and the thread's last failure names the call.
TEST_F(AuditTrailTest, AJournalAroundAnAuditedBackendSeesWhoTrappedItsFailures) {
  Load();
  auto outer = directory::JournalLayer::Wrap(directory::CurrentProvider());
  directory::SetCurrentProvider(outer);
  auto server = moxServer::Create();
  server->Name(u"PC1");
  ClearLastTrappedFailure();
  std::u16string taken = u"alice";
  EXPECT_FALSE(server->Users()->Add(taken));
  const auto failed = outer->Journal().Failed();
  ASSERT_FALSE(failed.empty()) << outer->Journal().Dump();
  EXPECT_EQ(failed.back().trapped_by, u"moxUsers.Add") << outer->Journal().Dump();
  const auto why = LastTrappedFailure();
  ASSERT_TRUE(why.has_value());
  EXPECT_EQ(why->member, u"moxUsers.Add");
  EXPECT_THAT(ToUtf8(why->call), HasSubstr("WinNT://PC1"));
  EXPECT_FALSE(std::filesystem::exists(log) && !Lines(log).empty());
}

// A name or value that holds a line break (an entry another tool made) cannot forge a line.
TEST(AuditTrailLines, ControlCharactersAreShownNotObeyed) {
  struct Capture : directory::AuditSink {
    void Write(directory::AuditArea, std::string_view entry) override { lines.emplace_back(entry); }
    std::vector<std::string> lines;
  };
  auto sink = std::make_shared<Capture>();
  directory::AuditTrail trail(sink, directory::AuditArea::kAccounts);
  directory::JournalEntry put{u"IADsUser", u"FullName.put", u"WinNT://PC1/a\nb", {u"\"x\ry\""}};
  put.outcome = directory::JournalEntry::Outcome::kOk;
  directory::JournalEntry commit{u"IADs", u"SetInfo", u"WinNT://PC1/a\nb", {}};
  commit.outcome = directory::JournalEntry::Outcome::kOk;
  trail.Record(put);
  trail.Record(commit);
  ASSERT_EQ(sink->lines.size(), 1u);
  EXPECT_THAT(sink->lines[0], HasSubstr("WinNT://PC1/a\\x0ab: set FullName = \"x\\x0dy\""));
}

TEST_F(AuditTrailTest, PrintQueueAndJobChangesOnCups) {
  CupsdServer cups;
  if (!cups.Available()) GTEST_SKIP() << cups.Why();
  cups.AddQueue("Lab");
  const int id = cups.Submit("Lab", "ann", "report", 100, /*held=*/true);
  Load("printing = \"cups\"\ncups = \"" + cups.Server() + "\"\n");

  auto queue = moxPrintQueue::Create();
  ASSERT_TRUE(queue->Find(u"Lab", u"PC1"));
  queue->Description(u"Second floor");
  auto job = queue->PrintJobs()->Item(Variant(int32_t{1}));
  job->Priority(70);
  EXPECT_TRUE(queue->PrintJobs()->Remove(Variant(int32_t{1})));
  queue->Description();

  const auto lines = Lines(log);
  EXPECT_THAT(lines, Each(HasSubstr(" printing: ")));
  EXPECT_THAT(lines, Contains(HasSubstr("WinNT://PC1/Lab: set Description = \"Second floor\"")));
  EXPECT_THAT(lines, Contains(HasSubstr("/Lab/" + std::to_string(id) + ": set Priority = 70")));
  EXPECT_THAT(lines, Contains(HasSubstr(": removed " + std::to_string(id))));
  EXPECT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
}

}  // namespace
}  // namespace moxtrel::testing
