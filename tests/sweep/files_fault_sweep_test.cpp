// The files backend's fault sweep: every writing operation runs once cleanly to count the
// filesystem steps it makes (open, write, fsync, close, rename, link, unlink), then once more
// per step with that step failing. Each faulted run must leave the four account files as they
// were or as the clean run left them, agreeing with each other, with no lock and no change
// record left behind, and report success only when the change is complete.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "moxtrel/backends/files/account_store.h"
#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/backends/files/fs_steps.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/automation_error.h"
#include "support/files_tree.h"

namespace moxtrel::testing {
namespace {

using namespace directory;
using backends::files::FsStep;
using backends::files::SetFsStepHook;

struct FilesOperation {
  std::string name;
  std::function<void(DirectoryProvider&)> act;
};

void PrintTo(const FilesOperation& op, std::ostream* os) {
  *os << op.name;
}

std::shared_ptr<IADsComputer> Computer(DirectoryProvider& p) {
  return As<IADsComputer>(p.GetObject(u"WinNT://PC1,computer"));
}

std::vector<FilesOperation> FilesOperations() {
  return {
      {"CreateUser",
       [](DirectoryProvider& p) { Computer(p)->Create(u"user", u"carol")->SetInfo(); }},
      {"CreateGroup",
       [](DirectoryProvider& p) { Computer(p)->Create(u"group", u"ops")->SetInfo(); }},
      {"DeleteUser", [](DirectoryProvider& p) { Computer(p)->Delete(u"user", u"alice"); }},
      {"DeleteGroup", [](DirectoryProvider& p) { Computer(p)->Delete(u"group", u"staff"); }},
      {"RenameUser",
       [](DirectoryProvider& p) { Computer(p)->MoveHere(u"WinNT://PC1/alice,user", u"alicia"); }},
      {"RenameGroup",
       [](DirectoryProvider& p) { Computer(p)->MoveHere(u"WinNT://PC1/staff,group", u"crew"); }},
      {"FullNameAndDisabled",
       [](DirectoryProvider& p) {
         auto bob = As<IADsUser>(p.GetObject(u"WinNT://PC1/bob,user"));
         bob->FullName(u"Robert");
         bob->AccountDisabled(true);
         bob->SetInfo();
       }},
      {"SetPassword",
       [](DirectoryProvider& p) {
         As<IADsUser>(p.GetObject(u"WinNT://PC1/bob,user"))->SetPassword(u"tide-pool-7781");
       }},
      {"AddMember",
       [](DirectoryProvider& p) {
         As<IADsGroup>(p.GetObject(u"WinNT://PC1/staff,group"))->Add(u"WinNT://PC1/bob,user");
       }},
      {"RemoveMember",
       [](DirectoryProvider& p) {
         As<IADsGroup>(p.GetObject(u"WinNT://PC1/staff,group"))->Remove(u"WinNT://PC1/alice,user");
       }},
  };
}

class FilesFaultSweep : public ::testing::TestWithParam<FilesOperation> {
 protected:
  ~FilesFaultSweep() override { SetFsStepHook(nullptr); }

  static std::unique_ptr<FilesTree> Fresh() {
    auto tree = std::make_unique<FilesTree>();
    tree->AddGroup("staff", 50, {"alice"})
        .AddGroup("alice", 1000)
        .AddGroup("bob", 1001)
        .AddUser("alice", 1000, 1000, "Alice", "/home/alice")
        .AddUser("bob", 1001, 1001, "Bob", "/home/bob");
    tree->Write("etc/login.defs", "ENCRYPT_METHOD SHA512\nSHA_CRYPT_MIN_ROUNDS 1000\n");
    return tree;
  }
  static std::shared_ptr<DirectoryProvider> Provider(const FilesTree& tree) {
    auto o = tree.Options();
    o.lock_wait = std::chrono::milliseconds(200);
    return backends::files::MakeFilesProvider(o);
  }
  // The account files with password hashes, whose salt differs from run to run, masked.
  static std::string State(const FilesTree& tree) {
    static const std::regex hash(R"(\$6\$[^:]*)");
    return std::regex_replace(tree.AccountFiles(), hash, "<hash>");
  }
  // Lock files, temporary files and change records left in etc/.
  static std::string Leftovers(const FilesTree& tree) {
    std::string found;
    for (const char* f : {"passwd", "shadow", "group", "gshadow"}) {
      for (const char* suffix : {".lock", "+"}) {
        const std::string rel = std::string("etc/") + f + suffix;
        if (tree.Exists(rel)) found += rel + " ";
      }
    }
    for (const char* rel : {"etc/.moxtrel-change", "etc/.moxtrel-change+"}) {
      if (tree.Exists(rel)) found += std::string(rel) + " ";
    }
    return found;
  }
};

TEST_P(FilesFaultSweep, EveryFailingStepLeavesTheFilesWholeAndAgreeing) {
  const FilesOperation& op = GetParam();
  std::string before, after;
  int steps = 0;
  {
    auto tree = Fresh();
    auto provider = Provider(*tree);
    before = State(*tree);
    SetFsStepHook([&](FsStep, const std::string&) {
      ++steps;
      return 0;
    });
    op.act(*provider);
    SetFsStepHook(nullptr);
    after = State(*tree);
    ASSERT_NE(before, after) << op.name << " changes nothing";
    ASSERT_EQ(tree->Disagreement(), "");
  }
  ASSERT_GT(steps, 0);

  for (int n = 1; n <= steps; ++n) {
    auto tree = Fresh();
    auto provider = Provider(*tree);
    int seen = 0;
    std::string failed;
    SetFsStepHook([&](FsStep step, const std::string& path) {
      if (++seen != n) return 0;
      failed = std::string(backends::files::FsStepName(step)) + " " + path;
      return EIO;
    });
    bool succeeded = true;
    try {
      op.act(*provider);
    } catch (const AutomationError&) {
      succeeded = false;
    }
    SetFsStepHook(nullptr);
    ASSERT_FALSE(failed.empty()) << op.name << ": step " << n << " was never made";
    const std::string now = State(*tree);
    EXPECT_TRUE(now == before || now == after)
        << op.name << " left the files half-changed when step " << n << " (" << failed
        << ") failed:\n"
        << now;
    if (succeeded) {
      EXPECT_EQ(now, after) << op.name << " reported success although step " << n << " (" << failed
                            << ") failed";
    }
    EXPECT_EQ(tree->Disagreement(), "") << op.name << ", step " << n << " (" << failed << ")";
    EXPECT_EQ(Leftovers(*tree), "") << op.name << ", step " << n << " (" << failed << ")";
    // The next writer is not held up by anything the failure left.
    Computer(*provider)->Create(u"user", u"zed")->SetInfo();
    EXPECT_EQ(tree->Disagreement(), "") << op.name << ", step " << n << " (" << failed << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(Operations, FilesFaultSweep, ::testing::ValuesIn(FilesOperations()),
                         [](const ::testing::TestParamInfo<FilesOperation>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace moxtrel::testing
