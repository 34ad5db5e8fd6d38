// The files backend keeps the files it parsed while their stamp is unchanged: reads of unchanged
// files parse nothing again, and every change another writer makes (in place or by rename, of
// the same size, within the same clock tick, with its modification time put back) is seen by
// the next call.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <regex>
#include <thread>

#include "backends/files/files_test_util.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/backends/files/file_stamp.h"
#include "moxtrel/backends/files/files_context.h"
#include "moxtrel/backends/files/files_handles.h"
#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/directory/context_provider.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/journal/journal_layer.h"
#include "moxtrel/servers/server.h"
#include "support/files_tree.h"

extern char** environ;

namespace moxtrel::testing {
namespace {

using namespace directory;
using backends::files::AccountStore;
using backends::files::FilesContext;
using backends::files::FileStamp;
using backends::files::IsRacy;
using backends::files::MakeFilesHandle;
using backends::files::MakeFilesProvider;
using FilesProvider = ContextProvider<FilesContext, MakeFilesHandle>;

AccountStore& StoreOf(const std::shared_ptr<DirectoryProvider>& provider) {
  return std::dynamic_pointer_cast<FilesProvider>(provider)->context().store();
}

std::string Passwd(const std::string& alice_gecos) {
  return "root:x:0:0:root:/root:/bin/sh\nalice:x:1000:1000:" + alice_gecos +
         ":/home/alice:/bin/sh\n";
}

// Runs a program without a shell; its exit status.
int RunTool(std::vector<std::string> argv) {
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class FilesCacheTest : public ::testing::Test {
 protected:
  FilesCacheTest() {
    tree.AddGroup("root", 0).AddGroup("alice", 1000);
    tree.AddUser("root", 0, 0, "root", "/root")
        .AddUser("alice", 1000, 1000, "Alice A", "/home/alice");
    provider = MakeFilesProvider(tree.Options());
    alice = As<IADsUser>(provider->GetObject(u"WinNT://PC1/alice,user"));
  }

  FilesTree tree;
  std::shared_ptr<DirectoryProvider> provider;
  std::shared_ptr<IADsUser> alice;
};

TEST_F(FilesCacheTest, SeesEveryChangeOfAnotherWriterOnTheNextCall) {
  // In place, the same size, as fast as it goes: most of these land in the clock tick of the
  // read before, where the stamp alone cannot tell them apart.
  for (int i = 0; i < 200; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "Alice %03d", i);
    tree.Write("etc/passwd", Passwd(name));
    ASSERT_EQ(alice->FullName(), FromUtf8(name)) << "write " << i;
  }

  // A later change of the same size whose modification time is put back: only the change
  // time moved.
  const std::string path = tree.root() + "/etc/passwd";
  tree.Write("etc/passwd", Passwd("Alice old"));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(alice->FullName(), u"Alice old");
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  tree.Write("etc/passwd", Passwd("Alice new"));
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  EXPECT_EQ(alice->FullName(), u"Alice new");

  // Replaced by a rename, as the account tools write, with the same size.
  tree.Write("etc/passwd+", Passwd("Alice two"));
  ASSERT_EQ(::rename((path + "+").c_str(), path.c_str()), 0);
  EXPECT_EQ(alice->FullName(), u"Alice two");

  // Another instance of the library, with a cache of its own.
  auto other = MakeFilesProvider(tree.Options());
  auto again = As<IADsUser>(other->GetObject(u"WinNT://PC1/alice,user"));
  again->FullName(u"Alice four");
  again->SetInfo();
  EXPECT_EQ(alice->FullName(), u"Alice four");

  // login.defs, read only by what needs it, is read again when it changed.
  tree.Write("etc/login.defs", "PASS_MIN_LEN 5\n");
  EXPECT_EQ(alice->Get(u"PasswordMinimumLength").ToLong(), 5);
  tree.Write("etc/login.defs", "PASS_MIN_LEN 7\n");
  EXPECT_EQ(alice->Get(u"PasswordMinimumLength").ToLong(), 7);

  // The platform's tools.
  if (::access("/usr/sbin/useradd", X_OK) == 0) {
    ASSERT_EQ(RunTool({"/usr/sbin/useradd", "--prefix", tree.root(), "-M", "-c", "Carl", "carl"}),
              0);
    EXPECT_EQ(As<IADsUser>(provider->GetObject(u"WinNT://PC1/carl,user"))->FullName(), u"Carl");
    ASSERT_EQ(RunTool({"/usr/sbin/usermod", "--prefix", tree.root(), "-c", "Carla", "carl"}), 0);
    EXPECT_EQ(As<IADsUser>(provider->GetObject(u"WinNT://PC1/carl,user"))->FullName(), u"Carla");
  }
}

// This kernel gives a file whose times were looked at finer times on its next change, so the
// writes above cannot show a change that leaves the stamp as it was; the rule for one is checked
// here: a file changed in the tick its read began (or, with whole-second times, within 2 s) is
// compared by its text on the next call.
TEST(FileStampTest, AFileChangedInTheTickOfItsReadIsComparedByItsText) {
  const timespec began{1'700'000'000, 500'000'000};
  FileStamp s;
  s.exists = true;
  s.changed = {1'700'000'000, 500'000'000};
  EXPECT_TRUE(IsRacy(s, began));
  s.changed = {1'700'000'000, 499'999'999};
  EXPECT_FALSE(IsRacy(s, began));
  s.modified = {1'800'000'000, 0};  // a modification time set ahead changes nothing
  EXPECT_FALSE(IsRacy(s, began));
  s.changed = {1'699'999'999, 0};  // whole seconds: the filesystem may have cut the fraction
  EXPECT_TRUE(IsRacy(s, began));
  s.changed = {1'699'999'997, 0};
  EXPECT_FALSE(IsRacy(s, began));
  EXPECT_FALSE(IsRacy(FileStamp{}, began));  // a file that does not exist
}

// A listing with every user's full name parses each file once; reading it again parses nothing
// while the files are unchanged, and a file rewritten with the same text is not parsed again.
TEST_F(FilesCacheTest, ReadsOfUnchangedFilesParseNothingAgain) {
  tree.AddManyUsers(500);
  auto layer = JournalLayer::Wrap(provider);
  SetCurrentProvider(layer);
  AccountStore& store = StoreOf(provider);
  auto list = [&] {
    auto server = moxServer::Create();
    server->Name(u"PC1");
    auto users = server->Users();
    int32_t named = 0;
    for (int32_t i = 1; i <= users->Count(); ++i)
      named += !users->Item(Variant(i))->FullName().empty();
    return named;
  };
  std::this_thread::sleep_for(std::chrono::milliseconds(30));  // the tree is no longer racy
  const std::size_t start = store.Parses();
  layer->Journal().Clear();
  EXPECT_EQ(list(), 502);
  // One listing, one provider call per full name; passwd, shadow, group and gshadow parsed
  // once, login.defs not at all.
  EXPECT_EQ(layer->Journal().Count(u"IADsContainer.NewEnum"), 1u) << layer->Journal().Dump();
  EXPECT_EQ(layer->Journal().Count(u"FullName"), 502u);
  EXPECT_EQ(store.Parses() - start, 4u);
  EXPECT_EQ(list(), 502);
  EXPECT_EQ(store.Parses() - start, 4u);

  tree.Write("etc/passwd", tree.Read("etc/passwd"));
  EXPECT_EQ(alice->FullName(), u"Alice A");
  EXPECT_EQ(store.Parses() - start, 4u);
  tree.Write("etc/passwd", tree.Read("etc/passwd") + "zed:x:5000:0:Zed:/:/bin/sh\n");
  EXPECT_EQ(alice->FullName(), u"Alice A");
  EXPECT_EQ(store.Parses() - start, 5u);
  EXPECT_EQ(list(), 503);
  SetCurrentProvider(nullptr);
}

// What a listing brought serves each listed account's first read, with no look at the files;
// every later call, a new listing and a new bind see the files as they are now, and writes
// work on the files as they are now, keeping what other writers changed meanwhile.
TEST_F(FilesCacheTest, AListedAccountsFirstReadIsItsListingsAndEveryOtherCallLooksAgain) {
  tree.AddManyUsers(300);
  AccountStore& store = StoreOf(provider);
  auto list = [&](const char16_t* kind) {
    auto computer = As<IADsContainer>(provider->GetObject(u"WinNT://PC1,computer"));
    computer->Filter(Variant::StringArray({kind}));
    std::vector<std::shared_ptr<IADs>> found;
    auto walk = computer->NewEnum();
    while (auto object = walk->Next()) found.push_back(object);
    return found;
  };
  auto full_name_of = [](const std::u16string& name) -> std::u16string {
    if (name == u"root") return u"root";
    if (name == u"alice") return u"Alice A";
    return u"User " + name.substr(1);
  };

  auto users = list(u"User");
  ASSERT_EQ(users.size(), 302u);
  const std::size_t checks = store.Checks();
  for (auto& u : users) EXPECT_EQ(As<IADsUser>(u)->FullName(), full_name_of(u->Name()));
  EXPECT_EQ(store.Checks(), checks) << "a listed account's first read looked at the files";

  // Another writer replaces passwd with its entries in the opposite order and alice renamed:
  // each listed account's first read still gives its own entry, never the one now at its line.
  users = list(u"User");
  std::string passwd = tree.Read("etc/passwd");
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < passwd.size();) {
    const std::size_t end = passwd.find('\n', at);
    lines.push_back(passwd.substr(at, end - at + 1));
    at = end + 1;
  }
  std::string reversed;
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    reversed +=
        it->rfind("alice:", 0) == 0 ? "alice:x:1000:1000:Alice B:/home/alice:/bin/sh\n" : *it;
  }
  tree.Write("etc/passwd+", reversed);
  const std::string path = tree.root() + "/etc/passwd";
  ASSERT_EQ(::rename((path + "+").c_str(), path.c_str()), 0);
  std::shared_ptr<IADsUser> listed_alice;
  for (auto& u : users) {
    EXPECT_EQ(As<IADsUser>(u)->FullName(), full_name_of(u->Name()));
    if (u->Name() == u"alice") listed_alice = As<IADsUser>(u);
  }
  ASSERT_NE(listed_alice, nullptr);
  EXPECT_EQ(listed_alice->FullName(), u"Alice B");  // the second read looks again
  EXPECT_EQ(As<IADsUser>(provider->GetObject(u"WinNT://PC1/alice,user"))->FullName(), u"Alice B");
  for (auto& u : list(u"User")) {
    if (u->Name() == u"alice") {
      EXPECT_EQ(As<IADsUser>(u)->FullName(), u"Alice B");
    }
  }

  // A write of a listed account works on the files as they are now: the change another
  // instance made after the listing is kept, and the read after it is not the listing's.
  users = list(u"User");
  auto other = MakeFilesProvider(tree.Options());
  auto alice_there = As<IADsUser>(other->GetObject(u"WinNT://PC1/alice,user"));
  alice_there->FullName(u"Alice C");
  alice_there->SetInfo();
  for (auto& u : users) {
    if (u->Name() != u"alice") continue;
    auto alice_here = As<IADsUser>(u);
    alice_here->Description(u"Room 7");
    alice_here->SetInfo();
    EXPECT_EQ(alice_here->FullName(), u"Alice C");
    EXPECT_EQ(alice_here->Description(), u"Room 7");
  }
  EXPECT_THAT(tree.Read("etc/passwd"), ::testing::HasSubstr("alice:x:1000:1000:Alice C,Room 7:"));

  // The platform's tools: a change after the listing is seen from the second read on.
  if (::access("/usr/sbin/usermod", X_OK) == 0) {
    users = list(u"User");
    ASSERT_EQ(RunTool({"/usr/sbin/usermod", "--prefix", tree.root(), "-c", "Alice D", "alice"}), 0);
    for (auto& u : users) {
      if (u->Name() != u"alice") continue;
      EXPECT_EQ(As<IADsUser>(u)->FullName(), u"Alice C");
      EXPECT_EQ(As<IADsUser>(u)->FullName(), u"Alice D");
    }
  }

  // An account deleted after the listing: its first read is the listing's, the next fails.
  users = list(u"User");
  As<IADsContainer>(other->GetObject(u"WinNT://PC1,computer"))->Delete(u"user", u"u7");
  for (auto& u : users) {
    if (u->Name() != u"u7") continue;
    EXPECT_EQ(As<IADsUser>(u)->FullName(), u"User 7");
    EXPECT_EQ(ErrorOf([&] { As<IADsUser>(u)->FullName(); }).code, Code(errc::kNoSuchObject));
  }

  // Groups alike: a gid changed after the listing shows from the second read on.
  auto groups = list(u"Group");
  tree.Write("etc/group", std::regex_replace(tree.Read("etc/group"), std::regex("\nstaff:x:50:"),
                                             "\nstaff:x:51:"));
  for (auto& g : groups) {
    if (g->Name() != u"staff") continue;
    EXPECT_EQ(g->GUID(), u"{00000016-0002-0000-0000-000000000032}");
    EXPECT_EQ(g->GUID(), u"{00000016-0002-0000-0000-000000000033}");
  }
}

// While another writer keeps replacing passwd (by rename, as the account tools write), every
// listed account's first read gives its own entry whole, from one version of the file.
TEST_F(FilesCacheTest, ListedAccountsReadTheirOwnEntryWhileAnotherWriterReplacesTheFile) {
  tree.AddManyUsers(200);
  const std::string path = tree.root() + "/etc/passwd";
  std::atomic<bool> stop{false};
  std::atomic<int> versions{0};
  std::thread writer([&] {
    for (int version = 0; !stop; ++version) {
      std::string text = "root:x:0:0:root:/root:/bin/sh\n";
      for (int i = 0; i < 200; ++i) {
        const std::string name = "u" + std::to_string(i);
        const std::string id = std::to_string(2000 + i);
        text += name + ":x:" + id + ":" + id + ":User " + std::to_string(i) + " v" +
                std::to_string(version) + ",Room " + std::to_string(version) + ":/home/" + name +
                ":/bin/sh\n";
      }
      tree.Write("etc/passwd+", text);
      ::rename((path + "+").c_str(), path.c_str());
      ++versions;
    }
  });
  struct Join {
    std::atomic<bool>& stop;
    std::thread& writer;
    ~Join() {
      stop = true;
      writer.join();
    }
  } join{stop, writer};
  while (versions == 0) std::this_thread::yield();
  int listed = 0, replaced = 0;
  for (int round = 0; round < 30; ++round) {
    auto computer = As<IADsContainer>(provider->GetObject(u"WinNT://PC1,computer"));
    computer->Filter(Variant::StringArray({u"User"}));
    auto walk = computer->NewEnum();
    while (auto object = walk->Next()) {
      const std::string name = ToUtf8(object->Name());
      if (name[0] != 'u') continue;  // root, and alice until the first replacement
      const std::string full = ToUtf8(As<IADsUser>(object)->FullName());
      const std::string want = "User " + name.substr(1);
      // Its own number, and a version of the whole entry: never another account's or a cut one.
      EXPECT_TRUE(full == want || full.rfind(want + " v", 0) == 0) << name << ": " << full;
      const std::string version = full.size() > want.size() ? full.substr(want.size() + 2) : "";
      if (!version.empty()) {
        ++replaced;
        EXPECT_EQ(ToUtf8(As<IADsUser>(object)->Description()).find("Room "), 0u) << name;
      }
      ++listed;
    }
  }
  EXPECT_EQ(listed, 30 * 200);
  EXPECT_EQ(replaced, listed);
  EXPECT_GT(versions, 1);
}

}  // namespace
}  // namespace moxtrel::testing
