// Writing the account files: staged puts and SetInfo, Create/Delete/MoveHere, memberships,
// passwords, and the account tools' locking and replacing rules, with hostile input refused
// before anything is written.
#include <crypt.h>
#include <dirent.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <random>

#include "backends/files/files_test_util.h"
#include "moxtrel/backends/files/change_record.h"
#include "moxtrel/backends/files/file_replace.h"
#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/backends/files/fs_steps.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/error_codes.h"
#include "support/files_tree.h"

namespace moxtrel::testing {
namespace {

using namespace directory;
using backends::files::MakeFilesProvider;
using ::testing::HasSubstr;
using ::testing::Not;

class FilesWritesTest : public ::testing::Test {
 protected:
  FilesWritesTest() {
    tree.AddGroup("staff", 50, {"alice"})
        .AddGroup("alice", 1000)
        .AddGroup("bob", 1001)
        .AddUser("alice", 1000, 1000, "Alice,Room 4", "/home/alice", "/bin/bash")
        .AddUser("bob", 1001, 1001, "Bob", "/home/bob");
    auto o = tree.Options();
    o.lock_wait = std::chrono::milliseconds(300);
    provider = MakeFilesProvider(o);
  }
  ~FilesWritesTest() override {
    backends::files::SetAfterTempWrittenHook(nullptr);
    backends::files::SetFsStepHook(nullptr);
  }

  template <class I>
  std::shared_ptr<I> Get(std::u16string_view path) {
    return As<I>(provider->GetObject(path));
  }
  std::shared_ptr<IADsComputer> Computer() { return Get<IADsComputer>(u"WinNT://PC1,computer"); }
  // Every account file, to show that a refused call wrote nothing.
  std::string AllFiles() {
    return tree.Read("etc/passwd") + tree.Read("etc/shadow") + tree.Read("etc/group") +
           tree.Read("etc/gshadow");
  }
  std::string Line(const std::string& rel, const std::string& name) {
    std::string text = tree.Read(rel);
    std::size_t at = text.find("\n" + name + ":");
    if (text.compare(0, name.size() + 1, name + ":") == 0)
      at = 0;
    else if (at != std::string::npos)
      ++at;
    if (at == std::string::npos) return "";
    return text.substr(at, text.find('\n', at) - at);
  }

  FilesTree tree;
  std::shared_ptr<DirectoryProvider> provider;
};

TEST_F(FilesWritesTest, SetInfoCommitsStagedPutsInOneRewriteAndKeepsABackup) {
  const std::string passwd_before = tree.Read("etc/passwd");
  auto alice = Get<IADsUser>(u"WinNT://PC1/alice,user");
  alice->FullName(u"Alice Liddell");
  alice->Description(u"Room 5, second floor");
  alice->HomeDirectory(u"/srv/alice");
  alice->LoginScript(u"/bin/zsh");
  // Staged: the handle reads its own puts, the files do not change yet.
  EXPECT_EQ(alice->FullName(), u"Alice Liddell");
  EXPECT_EQ(tree.Read("etc/passwd"), passwd_before);
  alice->SetInfo();
  EXPECT_EQ(Line("etc/passwd", "alice"),
            "alice:x:1000:1000:Alice Liddell,Room 5, second floor:/srv/alice:/bin/zsh");
  EXPECT_EQ(tree.Read("etc/passwd-"), passwd_before);
  EXPECT_FALSE(tree.Exists("etc/passwd+"));
  EXPECT_FALSE(tree.Exists("etc/passwd.lock"));
  // Only the affected file is rewritten.
  EXPECT_FALSE(tree.Exists("etc/shadow-"));
  EXPECT_FALSE(tree.Exists("etc/group-"));
  // A new handle sees the committed values; an empty SetInfo writes nothing.
  EXPECT_EQ(Get<IADsUser>(u"WinNT://PC1/alice,user")->Description(), u"Room 5, second floor");
  ::unlink((tree.root() + "/etc/passwd-").c_str());
  alice->SetInfo();
  EXPECT_FALSE(tree.Exists("etc/passwd-"));
}

TEST_F(FilesWritesTest, ShadowPropertiesKeepTheShadowFilesModeAndOwner) {
  ::chmod((tree.root() + "/etc/shadow").c_str(), 0640);
  ::chown((tree.root() + "/etc/shadow").c_str(), 0, 42);
  auto bob = Get<IADsUser>(u"WinNT://PC1/bob,user");
  bob->AccountDisabled(true);
  bob->AccountExpirationDate(Date{25569.0 + 30000});
  bob->SetInfo();
  EXPECT_EQ(Line("etc/shadow", "bob"), "bob:!:19000:0:99999:7::30000:");
  bob->AccountExpirationDate(Date{});
  bob->Put(u"PasswordExpired", Variant(int16_t{1}));
  bob->SetInfo();
  EXPECT_EQ(Line("etc/shadow", "bob"), "bob:!:0:0:99999:7:::");
  bob->AccountDisabled(true);
  bob->SetInfo();
  EXPECT_EQ(Line("etc/shadow", "bob"), "bob:!:0:0:99999:7::1:");
  EXPECT_TRUE(bob->AccountDisabled());
  struct stat st {};
  ASSERT_EQ(::stat((tree.root() + "/etc/shadow").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_gid, 42u);
  ASSERT_EQ(::stat((tree.root() + "/etc/shadow-").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // UserFlags: the bits the files hold are written; others are refused by name.
  bob->Put(u"UserFlags", Variant(bob->Get(u"UserFlags").ToLong() & ~0x2));
  bob->SetInfo();
  EXPECT_EQ(Line("etc/shadow", "bob"), "bob:!:0:0:99999:7:::");
  // Without a PASS_MAX_DAYS below 99999 there is no maximum age to give back.
  EXPECT_THAT(ErrorOf([&] { bob->Put(u"UserFlags", Variant(0x201 | 0x10)); }).message,
              HasSubstr("PASS_MAX_DAYS"));
  EXPECT_THAT(
      ErrorOf([&] { bob->Put(u"UserFlags", Variant(0x201 | 0x10 | 0x10000 | 0x40)); }).message,
      HasSubstr("cannot hold the flag bits 0x"));
}

TEST_F(FilesWritesTest, RefusesWhatTheFilesCannotHoldAndWritesNothing) {
  const std::string before = AllFiles();
  auto alice = Get<IADsUser>(u"WinNT://PC1/alice,user");
  for (std::u16string bad : {std::u16string(u"a:b"), std::u16string(u"a\nb"),
                             std::u16string(u"a\0b", 3), std::u16string(u"Liddell, Alice")}) {
    Thrown t = ErrorOf([&] { alice->FullName(bad); });
    EXPECT_EQ(t.code, Code(errc::kInvalidArg));
    EXPECT_THAT(t.message, HasSubstr("FullName"));
  }
  EXPECT_EQ(ErrorOf([&] { alice->Description(u"x:y"); }).code, Code(errc::kInvalidArg));
  EXPECT_EQ(ErrorOf([&] { alice->HomeDirectory(std::u16string(u"/h\0x", 4)); }).code,
            Code(errc::kInvalidArg));
  Thrown drive = ErrorOf([&] { alice->Put(u"HomeDirDrive", Variant(u"H:")); });
  EXPECT_EQ(drive.code, Code(errc::kNotSupported));
  EXPECT_THAT(drive.message, HasSubstr("HomeDirDrive"));
  EXPECT_THAT(drive.message, HasSubstr("files backend"));
  EXPECT_EQ(ErrorOf([&] { alice->Profile(u"\\\\srv\\p"); }).code, Code(errc::kNotSupported));
  EXPECT_EQ(ErrorOf([&] { alice->MaxStorage(100); }).code, Code(errc::kNotSupported));
  EXPECT_EQ(ErrorOf([&] { Get<IADsGroup>(u"WinNT://PC1/staff,group")->Description(u"x"); }).code,
            Code(errc::kNotSupported));
  EXPECT_EQ(ErrorOf([&] { alice->Put(u"FullName", Variant(int32_t{3})); }).code,
            Code(errc::kTypeMismatch));
  // Writing the value a property already reads changes nothing and is accepted.
  alice->Put(u"HomeDirDrive", Variant(u""));
  alice->MaxStorage(-1);
  // A "!" password cannot be unlocked into an empty one.
  EXPECT_THAT(ErrorOf([&] { alice->IsAccountLocked(false); }).message,
              HasSubstr("without a password"));
  alice->SetInfo();
  EXPECT_EQ(AllFiles(), before);

  auto pc = Computer();
  for (std::u16string bad :
       {std::u16string(u"bad:name"), std::u16string(u"bad\nname"), std::u16string(u"bad\0n", 6),
        std::u16string(33, u'a'), std::u16string(u"+abc"), std::u16string(u"-abc"),
        std::u16string(u"a b"), std::u16string(u"a,b"), std::u16string(u"")}) {
    EXPECT_EQ(ErrorOf([&] { pc->Create(u"user", bad); }).code, Code(errc::kInvalidName));
    EXPECT_EQ(ErrorOf([&] { pc->Create(u"group", bad); }).code, Code(errc::kInvalidName));
    EXPECT_EQ(ErrorOf([&] { pc->MoveHere(u"WinNT://PC1/bob,user", bad); }).code,
              bad.empty() ? 0 : Code(errc::kInvalidName));
  }
  EXPECT_EQ(ErrorOf([&] { pc->Create(u"user", u"ALICE"); }).code, Code(errc::kObjectExists));
  // An entry longer than the account tools read back is refused when put.
  Thrown long_entry = ErrorOf([&] { alice->Description(std::u16string(32760, u'd')); });
  EXPECT_EQ(long_entry.code, Code(errc::kInvalidArg));
  EXPECT_THAT(long_entry.message, HasSubstr("at most 32767"));
  EXPECT_EQ(ErrorOf([&] { pc->Create(u"service", u"svc"); }).code, Code(errc::kInvalidArg));
  EXPECT_EQ(AllFiles(), before);
}

TEST_F(FilesWritesTest, CreateDeleteAndRenameAccounts) {
  auto pc = Computer();
  auto carol = As<IADsUser>(pc->Create(u"user", u"carol"));
  carol->FullName(u"Carol");
  EXPECT_THAT(tree.Read("etc/passwd"), Not(HasSubstr("carol")));
  EXPECT_EQ(ErrorOf([&] { provider->GetObject(u"WinNT://PC1/carol,user"); }).code,
            Code(errc::kNoSuchObject));
  EXPECT_THAT(ErrorOf([&] { carol->SetPassword(u"x"); }).message, HasSubstr("until SetInfo"));
  carol->SetInfo();
  // The next uid after the highest in range, and a private group with the same number.
  EXPECT_EQ(Line("etc/passwd", "carol"), "carol:x:1002:1002:Carol:/home/carol:/bin/sh");
  EXPECT_EQ(Line("etc/group", "carol"), "carol:x:1002:");
  EXPECT_EQ(Line("etc/gshadow", "carol"), "carol:!::");
  EXPECT_THAT(Line("etc/shadow", "carol"), HasSubstr("carol:!:"));
  EXPECT_EQ(carol->ADsPath(), u"WinNT://PC1/carol");
  auto wheel = pc->Create(u"group", u"wheel$");
  wheel->SetInfo();
  EXPECT_EQ(Line("etc/group", "wheel$"), "wheel$:x:1003:");

  auto staff = Get<IADsGroup>(u"WinNT://PC1/staff,group");
  staff->Add(u"WinNT://PC1/carol,user");
  EXPECT_EQ(Line("etc/group", "staff"), "staff:x:50:alice,carol");
  EXPECT_EQ(Line("etc/gshadow", "staff"), "staff:!::alice,carol");
  EXPECT_EQ(ErrorOf([&] { staff->Add(u"WinNT://PC1/carol,user"); }).code,
            Code(errc::kMemberInGroup));
  EXPECT_EQ(ErrorOf([&] { staff->Add(u"WinNT://PC1/bob,group"); }).code,
            Code(errc::kInvalidMember));
  EXPECT_EQ(
      ErrorOf([&] { Get<IADsGroup>(u"WinNT://PC1/carol,group")->Add(u"WinNT://PC1/carol"); }).code,
      Code(errc::kMemberInGroup));  // its primary group

  // Renames follow into shadow and every member list.
  auto dave = As<IADsUser>(pc->MoveHere(u"WinNT://PC1/carol,user", u"dave"));
  EXPECT_EQ(dave->Name(), u"dave");
  EXPECT_EQ(Line("etc/passwd", "dave"), "dave:x:1002:1002:Carol:/home/carol:/bin/sh");
  EXPECT_THAT(Line("etc/shadow", "dave"), HasSubstr("dave:!:"));
  EXPECT_EQ(Line("etc/group", "staff"), "staff:x:50:alice,dave");
  EXPECT_EQ(Line("etc/gshadow", "staff"), "staff:!::alice,dave");
  EXPECT_EQ(ErrorOf([&] { carol->FullName(); }).code, Code(errc::kNoSuchObject));
  EXPECT_EQ(ErrorOf([&] { pc->MoveHere(u"WinNT://PC1/dave,user", u"alice"); }).code,
            Code(errc::kObjectExists));
  pc->MoveHere(u"WinNT://PC1/staff,group", u"crew");
  EXPECT_EQ(Line("etc/group", "crew"), "crew:x:50:alice,dave");
  EXPECT_EQ(Line("etc/gshadow", "crew"), "crew:!::alice,dave");

  auto crew = Get<IADsGroup>(u"WinNT://PC1/crew,group");
  crew->Remove(u"WinNT://PC1/alice,user");
  EXPECT_EQ(Line("etc/group", "crew"), "crew:x:50:dave");
  EXPECT_EQ(ErrorOf([&] { crew->Remove(u"WinNT://PC1/alice,user"); }).code,
            Code(errc::kMemberNotInGroup));
  EXPECT_EQ(
      ErrorOf([&] { Get<IADsGroup>(u"WinNT://PC1/bob,group")->Remove(u"WinNT://PC1/bob"); }).code,
      Code(errc::kNotSupported));

  // A group that is someone's primary group stays; deleting a user takes its memberships and
  // its own unused group with it.
  EXPECT_EQ(ErrorOf([&] { pc->Delete(u"group", u"carol"); }).code, Code(errc::kInvalidArg));
  pc->Delete(u"user", u"DAVE");
  EXPECT_EQ(Line("etc/passwd", "dave"), "");
  EXPECT_EQ(Line("etc/shadow", "dave"), "");
  EXPECT_EQ(Line("etc/group", "crew"), "crew:x:50:");
  EXPECT_EQ(Line("etc/gshadow", "crew"), "crew:!::");
  // Its group kept the old name, so it stays, as with userdel; bob's own group goes with him.
  EXPECT_EQ(Line("etc/group", "carol"), "carol:x:1002:");
  pc->Delete(u"group", u"carol");
  EXPECT_EQ(Line("etc/group", "carol"), "");
  EXPECT_EQ(Line("etc/gshadow", "carol"), "");
  pc->Delete(u"user", u"bob");
  EXPECT_EQ(Line("etc/group", "bob"), "");
  EXPECT_EQ(Line("etc/gshadow", "bob"), "");
  pc->Delete(u"group", u"crew");
  EXPECT_EQ(Line("etc/group", "crew"), "");
  EXPECT_EQ(ErrorOf([&] { pc->Delete(u"user", u"nobody"); }).code, Code(errc::kNoSuchObject));
}

TEST_F(FilesWritesTest, NewIdsComeFromTheLoginDefsRanges) {
  const std::string before = AllFiles();
  tree.Write("etc/login.defs", "UID_MIN 1000\nUID_MAX 1001\n");
  EXPECT_THAT(ErrorOf([&] { Computer()->Create(u"user", u"carol")->SetInfo(); }).message,
              HasSubstr("No free uid is left between 1000 and 1001"));
  tree.Write("etc/login.defs", "GID_MIN 5000\nGID_MAX 100\n");
  EXPECT_THAT(ErrorOf([&] { Computer()->Create(u"group", u"ops")->SetInfo(); }).message,
              HasSubstr("no usable range of gids"));
  EXPECT_EQ(AllFiles(), before);
  // One above the highest uid in range; without private groups the primary group is GROUP of
  // etc/default/useradd, which must exist.
  tree.Write("etc/login.defs", "UID_MIN 500\nUID_MAX 2000\nUSERGROUPS_ENAB no\n");
  EXPECT_THAT(ErrorOf([&] { Computer()->Create(u"user", u"carol")->SetInfo(); }).message,
              HasSubstr("primary group 100"));
  tree.Write("etc/default/useradd", "GROUP=50\nHOME=/users\nSHELL=/bin/bash\n");
  Computer()->Create(u"user", u"carol")->SetInfo();
  EXPECT_EQ(Line("etc/passwd", "carol"), "carol:x:1002:50::/users/carol:/bin/bash");
  EXPECT_EQ(Line("etc/group", "carol"), "");
}

TEST_F(FilesWritesTest, SetPasswordHashesWithTheConfiguredMethodIntoShadowOnly) {
  std::mt19937_64 rng(std::random_device{}());
  const std::string secret = "pw-" + std::to_string(rng());
  auto alice = Get<IADsUser>(u"WinNT://PC1/alice,user");
  alice->SetPassword(FromUtf8(secret));
  std::string line = Line("etc/shadow", "alice");
  std::string hash = line.substr(6, line.find(':', 6) - 6);
  EXPECT_TRUE(hash.starts_with("$y$")) << hash;
  EXPECT_EQ(std::string(crypt(secret.c_str(), hash.c_str())), hash);
  const long today = static_cast<long>(time(nullptr) / 86400);
  EXPECT_THAT(line, HasSubstr(":" + std::to_string(today) + ":"));
  EXPECT_FALSE(alice->IsAccountLocked());
  EXPECT_EQ(alice->Get(u"passwordAge").ToLong(), 0);
  // The clear password is in no file of the tree.
  DIR* dir = ::opendir((tree.root() + "/etc").c_str());
  while (auto* e = ::readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    EXPECT_THAT(tree.Read(std::string("etc/") + e->d_name), Not(HasSubstr(secret))) << e->d_name;
  }
  ::closedir(dir);
  // Now unlocking and locking work on the real hash.
  alice->IsAccountLocked(true);
  alice->SetInfo();
  EXPECT_THAT(Line("etc/shadow", "alice"), HasSubstr("alice:!$y$"));

  tree.Write("etc/login.defs", "ENCRYPT_METHOD SHA512\nPASS_MIN_LEN 5\n");
  alice->SetPassword(FromUtf8(secret));
  line = Line("etc/shadow", "alice");
  hash = line.substr(6, line.find(':', 6) - 6);
  EXPECT_TRUE(hash.starts_with("$6$")) << hash;
  EXPECT_EQ(std::string(crypt(secret.c_str(), hash.c_str())), hash);
  EXPECT_EQ(ErrorOf([&] { alice->SetPassword(u"abc"); }).code, Code(errc::kPasswordRestriction));
  tree.Write("etc/login.defs", "ENCRYPT_METHOD DES\n");
  EXPECT_THAT(ErrorOf([&] { alice->SetPassword(u"abcdef"); }).message, HasSubstr("DES"));
}

TEST_F(FilesWritesTest, WaitsBoundedlyForAnotherWritersLockAndBreaksStaleOnes) {
  const std::string before = AllFiles();
  // A lock held by a live process (this one) times out, naming the file; nothing is written.
  tree.Write("etc/passwd.lock", std::to_string(::getpid()));
  auto alice = Get<IADsUser>(u"WinNT://PC1/alice,user");
  alice->FullName(u"Locked Out");
  Thrown t = ErrorOf([&] { alice->SetInfo(); });
  EXPECT_THAT(t.message, HasSubstr("etc/passwd is locked by another writer"));
  EXPECT_THAT(t.message, HasSubstr("nothing was written"));
  EXPECT_EQ(AllFiles(), before);
  // A lock on a later file releases the earlier ones it took.
  ::unlink((tree.root() + "/etc/passwd.lock").c_str());
  tree.Write("etc/group.lock", std::to_string(::getpid()));
  EXPECT_THAT(ErrorOf([&] { Computer()->Delete(u"user", u"bob"); }).message,
              HasSubstr("etc/group is locked"));
  EXPECT_FALSE(tree.Exists("etc/passwd.lock"));
  EXPECT_EQ(AllFiles(), before);
  ::unlink((tree.root() + "/etc/group.lock").c_str());
  // A lock whose process has gone is broken, as the account tools do.
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  tree.Write("etc/passwd.lock", std::to_string(child));
  alice->SetInfo();
  EXPECT_THAT(Line("etc/passwd", "alice"), HasSubstr("Locked Out"));
  EXPECT_FALSE(tree.Exists("etc/passwd.lock"));
}

TEST_F(FilesWritesTest, AFailureBeforeTheRenameLeavesTheOriginalFiles) {
  const std::string before = AllFiles();
  std::string seen;
  backends::files::SetAfterTempWrittenHook([&](const std::string& temp) {
    seen = temp;
    throw AutomationError(errc::kFail, u"disk full (injected)");
  });
  auto pc = Computer();
  EXPECT_THAT(ErrorOf([&] { pc->Create(u"user", u"erin")->SetInfo(); }).message,
              HasSubstr("injected"));
  EXPECT_EQ(seen, tree.root() + "/etc/passwd+");
  EXPECT_EQ(AllFiles(), before);
  EXPECT_FALSE(tree.Exists("etc/passwd+"));
  EXPECT_FALSE(tree.Exists("etc/passwd.lock"));
  backends::files::SetAfterTempWrittenHook(nullptr);
  pc->Create(u"user", u"erin")->SetInfo();
  EXPECT_THAT(tree.Read("etc/passwd"), HasSubstr("erin:x:"));
}

// A change of several files that fails after the first was replaced puts back what was
// replaced before it returns, and says so.
TEST_F(FilesWritesTest, AFailureAfterTheFirstReplacementPutsTheReplacedFilesBack) {
  const std::string before = AllFiles();
  int renames = 0;
  backends::files::SetFsStepHook([&](backends::files::FsStep step, const std::string&) {
    return step == backends::files::FsStep::kRename && ++renames == 4 ? ENOSPC : 0;
  });
  Thrown t = ErrorOf([&] { Computer()->Create(u"user", u"erin")->SetInfo(); });
  backends::files::SetFsStepHook(nullptr);
  // The record's own rename, then passwd, shadow; group fails.
  EXPECT_THAT(t.message, HasSubstr("Cannot replace etc/group"));
  EXPECT_THAT(t.message, HasSubstr("the files already replaced were put back"));
  EXPECT_EQ(AllFiles(), before);
  EXPECT_FALSE(tree.Exists("etc/.moxtrel-change"));
}

// The edits a change record holds give the new text from the old, and change nothing when
// applied again; the record reads back as written.
TEST(FilesChangeRecordTest, EditsApplyOnceAndRecordsReadBack) {
  using namespace backends::files;
  const std::string before = "a:1\nb:2\nc:3\n", after = "a:1\nc:33\nd:4\n";
  const auto edits = DiffEntries(before, after);
  EXPECT_EQ(ApplyEntries(before, edits), after);
  EXPECT_EQ(ApplyEntries(after, edits), after);
  // Applied to a file another writer changed since, its entries are kept.
  EXPECT_EQ(ApplyEntries("a:1\nb:2\nc:3\nz:9\n", edits), "a:1\nc:33\nz:9\nd:4\n");
  ChangeRecord r;
  r.files.push_back({"etc/group", Digest(before), Digest(after), edits});
  const ChangeRecord back = ChangeRecord::Parse(r.Format(), "record");
  ASSERT_EQ(back.files.size(), 1u);
  EXPECT_EQ(back.files[0].edits, edits);
  EXPECT_EQ(back.files[0].after, Digest(after));
  std::string cut = r.Format();
  cut.resize(cut.size() - 2);
  EXPECT_THAT(ErrorOf([&] { ChangeRecord::Parse(cut, "record"); }).message,
              HasSubstr("not complete"));
  EXPECT_THAT(ErrorOf([&] {
                ChangeRecord::Parse(
                    "moxtrel account change 1\nF 0000000000000000 "
                    "0000000000000000 etc/hosts\nE\n",
                    "record");
              }).message,
              HasSubstr("other than the account files"));
}

}  // namespace
}  // namespace moxtrel::testing
