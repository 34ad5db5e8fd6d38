// The files backend and the platform's own account tools (useradd/userdel --prefix) change the
// same tree at the same time: both take the same locks, so no entry of either side is lost.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "backends/files/files_test_util.h"
#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/error_codes.h"
#include "support/files_tree.h"

namespace moxtrel::testing {
namespace {

using namespace directory;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kRounds = 30;

bool HasLine(const std::string& text, const std::string& prefix) {
  return text.starts_with(prefix) || text.find("\n" + prefix) != std::string::npos;
}

TEST(FilesConcurrencyTest, BackendAndUseraddShareTheTreeWithoutLosingEntries) {
  if (::access("/usr/sbin/useradd", X_OK) != 0 || ::access("/usr/sbin/userdel", X_OK) != 0) {
    GTEST_SKIP() << "shadow's useradd/userdel are not installed";
  }
  FilesTree tree;
  tree.AddGroup("root", 0).AddUser("root", 0, 0, "root", "/root");
  auto options = tree.Options();
  options.lock_wait = std::chrono::milliseconds(30000);
  auto provider = backends::files::MakeFilesProvider(options);

  // The child adds ext1..ext30 and deletes the even ones again; it never uses a shell feature
  // beyond a loop.
  const std::string script =
      "i=1; while [ $i -le " + std::to_string(kRounds) +
      " ]; do /usr/sbin/useradd --prefix \"$0\" -M ext$i || echo add-failed $i;"
      " if [ $((i % 2)) -eq 0 ]; then /usr/sbin/userdel --prefix \"$0\" ext$i ||"
      " echo del-failed $i; fi; i=$((i + 1)); done > \"$0/child.log\" 2>&1";
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::execl("/bin/sh", "sh", "-c", script.c_str(), tree.root().c_str(), nullptr);
    ::_exit(127);
  }
  auto pc = As<IADsComputer>(provider->GetObject(u"WinNT://PC1,computer"));
  // Start once the child's first account is in, and pace the loop so that it spans the child's.
  for (int wait = 0; wait < 1000 && !HasLine(tree.Read("etc/passwd"), "ext1:"); ++wait) {
    ::usleep(10000);
  }
  for (int i = 1; i <= kRounds; ++i) {
    ::usleep(60000);
    const std::u16string name = u"own" + FromUtf8(std::to_string(i));
    pc->Create(u"user", name)->SetInfo();
    if (i % 2 == 0) pc->Delete(u"user", name);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_THAT(tree.Read("child.log"), Not(HasSubstr("failed"))) << tree.Read("child.log");

  const std::string passwd = tree.Read("etc/passwd"), shadow = tree.Read("etc/shadow"),
                    group = tree.Read("etc/group"), gshadow = tree.Read("etc/gshadow");
  for (int i = 1; i <= kRounds; ++i) {
    for (const std::string side : {"ext", "own"}) {
      const std::string name = side + std::to_string(i);
      const bool kept = i % 2 == 1;
      EXPECT_EQ(HasLine(passwd, name + ":"), kept) << name;
      EXPECT_EQ(HasLine(shadow, name + ":"), kept) << name;
      EXPECT_EQ(HasLine(group, name + ":"), kept) << name;
      EXPECT_EQ(HasLine(gshadow, name + ":"), kept) << name;
    }
  }
  // The two sides really ran at once: their accounts interleave in passwd.
  EXPECT_LT(passwd.find("\nown"), passwd.rfind("\next")) << passwd;
  EXPECT_LT(passwd.find("\next"), passwd.rfind("\nown")) << passwd;
  // Every file still parses, and each uid is used once.
  std::set<std::u16string> sids;
  auto walk = pc->NewEnum();
  int users = 0;
  while (auto o = walk->Next()) {
    if (o->Class() != u"User") continue;
    ++users;
    auto sid = o->Get(u"ObjectSID").AsBytes();
    sids.insert(std::u16string(sid.begin(), sid.end()));
  }
  EXPECT_EQ(users, 1 + kRounds);
  EXPECT_EQ(sids.size(), static_cast<std::size_t>(users));
}

// Runs a shadow tool with arguments and returns its exit status (-1 when it did not exit).
int RunShadowTool(const std::vector<std::string>& args) {
  pid_t child = ::fork();
  if (child == 0) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Library threads that write without a pause still leave the lock free often enough for
// useradd, which tries it once a second and gives up after 15 tries.
TEST(FilesConcurrencyTest, UseraddGetsItsTurnWhileLibraryThreadsWriteWithoutPause) {
  if (::access("/usr/sbin/useradd", X_OK) != 0) GTEST_SKIP() << "useradd is not installed";
  FilesTree tree;
  tree.AddGroup("root", 0).AddUser("root", 0, 0, "root", "/root");
  tree.AddGroup("w0", 1000)
      .AddGroup("w1", 1001)
      .AddUser("w0", 1000, 1000)
      .AddUser("w1", 1001, 1001);
  auto options = tree.Options();
  options.lock_wait = std::chrono::milliseconds(30000);
  auto provider = backends::files::MakeFilesProvider(options);
  std::atomic<bool> stop{false};
  std::atomic<int> writes{0};
  std::vector<std::thread> writers;
  for (int t = 0; t < 2; ++t) {
    writers.emplace_back([&, t] {
      auto user = As<IADsUser>(provider->GetObject(u"WinNT://PC1/w" + FromUtf8(std::to_string(t))));
      for (int i = 0; !stop; ++i) {
        user->FullName(u"Writer " + FromUtf8(std::to_string(i)));
        user->SetInfo();
        ++writes;
      }
    });
  }
  constexpr int kAdds = 4;
  std::vector<int> results;
  for (int i = 0; i < kAdds; ++i) {
    results.push_back(RunShadowTool(
        {"/usr/sbin/useradd", "--prefix", tree.root(), "-M", "tool" + std::to_string(i)}));
  }
  const int during = writes;
  stop = true;
  for (auto& w : writers) w.join();
  const std::string passwd = tree.Read("etc/passwd");
  for (int i = 0; i < kAdds; ++i) {
    EXPECT_EQ(results[i], 0) << "useradd tool" << i << " failed";
    EXPECT_TRUE(HasLine(passwd, "tool" + std::to_string(i) + ":")) << passwd;
  }
  EXPECT_GT(during, 20) << "the library threads hardly wrote";
  EXPECT_EQ(tree.Disagreement(), "");
}

// Names: the backend accepts and refuses as Debian's useradd and groupadd do, asked here
// themselves; beyond them it refuses "/", "." and "..", and a name that differs from an
// existing one only in case.
TEST(FilesConcurrencyTest, NamesAreAcceptedAndRefusedAsTheAccountToolsDo) {
  if (::access("/usr/sbin/useradd", X_OK) != 0 || ::access("/usr/sbin/groupadd", X_OK) != 0) {
    GTEST_SKIP() << "useradd/groupadd are not installed";
  }
  const std::vector<std::u16string> names = {
      u"alice",
      u"Mixed.Case",
      u"1abc",
      u"9",
      u"_x",
      u"a$b",
      u"ab$",
      u"a.b",
      u"a@b",
      u"a+b",
      u"a;b",
      u"a=b",
      u"a#b",
      u"a*b",
      u"a'b",
      u"a\\b",
      u"$ab",
      u"a-",
      u"\u00e9t\u00e9",
      u"a\u00a0b",
      u"-abc",
      u"+ab",
      u"~ab",
      u"a b",
      u"a\tb",
      u"a:b",
      u"a,b",
      u"a\x7f"
      u"b",
      u"a\x01"
      u"b",
      u"",
      std::u16string(32, u'b'),
      std::u16string(33, u'c'),
      std::u16string(16, u'\u00e9'),
      std::u16string(17, u'\u00e8'),
  };
  FilesTree tools, ours, tool_groups, our_groups;
  for (FilesTree* t : {&tools, &tool_groups}) t->AddGroup("root", 0).AddUser("root", 0, 0);
  auto computer = [](const FilesTree& tree) {
    return As<IADsComputer>(
        backends::files::MakeFilesProvider(tree.Options())->GetObject(u"WinNT://PC1,computer"));
  };
  auto pc = computer(ours), groups_pc = computer(our_groups);
  for (const auto& name : names) {
    const std::string utf8 = ToUtf8(name);
    const bool tool_user =
        RunShadowTool({"/usr/sbin/useradd", "--prefix", tools.root(), "-M", utf8}) == 0;
    const bool our_user = ErrorOf([&] { pc->Create(u"user", name)->SetInfo(); }).code == 0;
    EXPECT_EQ(our_user, tool_user) << "user name \"" << utf8 << "\"";
    const bool tool_group =
        RunShadowTool({"/usr/sbin/groupadd", "--prefix", tool_groups.root(), utf8}) == 0;
    const bool our_group = ErrorOf([&] { groups_pc->Create(u"group", name)->SetInfo(); }).code == 0;
    EXPECT_EQ(our_group, tool_group) << "group name \"" << utf8 << "\"";
  }
  for (std::u16string name : {u"a/b", u".", u".."}) {
    EXPECT_EQ(RunShadowTool({"/usr/sbin/useradd", "--prefix", tools.root(), "-M", ToUtf8(name)}),
              0);
    EXPECT_EQ(ErrorOf([&] { pc->Create(u"user", name); }).code, Code(errc::kInvalidName));
    EXPECT_EQ(ErrorOf([&] { pc->Create(u"group", name); }).code, Code(errc::kInvalidName));
  }
  // Keys ignore case, so a name differing only in case is taken.
  EXPECT_EQ(ErrorOf([&] { pc->Create(u"user", u"MIXED.case"); }).code, Code(errc::kObjectExists));
  EXPECT_EQ(ErrorOf([&] { pc->MoveHere(u"WinNT://PC1/alice,user", u"ALICE2"); }).code, 0);
  EXPECT_EQ(ErrorOf([&] { pc->MoveHere(u"WinNT://PC1/alice2,user", u"mixed.CASE"); }).code,
            Code(errc::kObjectExists));
  EXPECT_EQ(ours.Disagreement(), "");
}

}  // namespace
}  // namespace moxtrel::testing
