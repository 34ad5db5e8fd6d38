// The files backend and the platform's own account tools (useradd/userdel --prefix) change the
// same tree at the same time: both take the same locks, so no entry of either side is lost.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "backends/files_test_util.h"
#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/directory/ads.h"
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

}  // namespace
}  // namespace moxtrel::testing
