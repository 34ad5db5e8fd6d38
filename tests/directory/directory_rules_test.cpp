#include <gtest/gtest.h>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/memory/memory_directory.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::Bind;
using directory::IADsGroup;
using directory::IADsServiceOperations;

class DirectoryRulesTest : public DirectoryTest {};

// Security groups carry the high bit (0x80000002, 0x80000004); their kind is read from the
// other bits, by the seed format and by the membership rules alike.
TEST_F(DirectoryRulesTest, SecurityGroupTypesKeepTheirKind) {
  auto dir2 = directory::MemoryDirectory::FromJson(R"({"domains": [{"name": "CORP",
      "users": [{"name": "alice"}],
      "groups": [{"name": "Staff", "GroupType": -2147483646, "members": ["WinNT://CORP/alice"]}],
      "computers": [{"name": "PC1", "groups": [{"name": "Admins", "GroupType": -2147483644,
                     "members": ["WinNT://CORP/Staff"]}]}]}]})");
  EXPECT_EQ(dir2->MembersOf(u"WinNT://CORP/PC1/Admins"),
            std::vector<std::u16string>{u"WinNT://CORP/Staff"});
  // A local security group may not hold a local group, as a local group may not.
  directory::SetCurrentProvider(dir2);
  auto admins = Bind<IADsGroup>(u"WinNT://CORP/PC1/Admins,group");
  EXPECT_EQ(ErrorCodeOf([&] {
              Bind<IADsGroup>(u"WinNT://CORP/Staff,group")->Add(u"WinNT://CORP/PC1/Admins");
            }),
            errc::kInvalidMember);
  EXPECT_EQ(admins->Get(u"GroupType").ToLong(), -2147483644);
  directory::SetCurrentProvider(layer);
}

// Stopping a service that a running service depends on is refused, naming the dependent.
TEST_F(DirectoryRulesTest, DependentServicesBlockAStop) {
  auto pc = build.AddComputer(u"", u"PC1");
  build.AddService(pc, u"Rpc", {{u"Status", Variant(4)}});
  build.AddService(pc, u"Spooler",
                   {{u"Status", Variant(4)}, {u"Dependencies", Variant::StringArray({u"RPC"})}});
  auto rpc = Bind<IADsServiceOperations>(u"WinNT://PC1/Rpc,service");
  try {
    rpc->Stop();
    FAIL() << "stopped a service another depends on";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.code(), static_cast<int32_t>(errc::kDependentServicesRunning));
    EXPECT_EQ(e.description(),
              u"The service \"Rpc\" cannot be stopped: \"Spooler\", which depends on it, is "
              u"running");
  }
  Bind<IADsServiceOperations>(u"WinNT://PC1/Spooler,service")->Stop();
  rpc->Stop();
  EXPECT_EQ(rpc->Status(), 1);
}

// A test can submit a job under a name of its choosing; a taken name is refused, and so is a
// name that breaks the rules of every other name, leaving nothing behind. A chosen name that
// is a number is skipped by the numbered jobs that come later.
TEST_F(DirectoryRulesTest, JobsUnderChosenNames) {
  auto pc = build.AddComputer(u"", u"PC1");
  auto queue = build.AddPrintQueue(pc, u"Laser");
  EXPECT_EQ(dir->SubmitJob(queue, {}, u"report"), u"WinNT://PC1/Laser/report");
  EXPECT_EQ(dir->SubmitJob(queue), u"WinNT://PC1/Laser/1");
  EXPECT_EQ(ErrorCodeOf([&] { dir->SubmitJob(queue, {}, u"REPORT"); }), errc::kObjectExists);

  const std::u16string before = dir->Snapshot();
  for (std::u16string_view bad :
       {std::u16string_view(u"a/b"), std::u16string_view(u"x,PrintJob"), std::u16string_view(u".."),
        std::u16string_view(u"tab\there"), std::u16string_view(u"q?")}) {
    EXPECT_EQ(ErrorCodeOf([&] { dir->SubmitJob(queue, {}, bad); }), errc::kInvalidName)
        << ToUtf8(bad);
  }
  EXPECT_EQ(ErrorCodeOf([&] { dir->SubmitJob(queue, {}, std::u16string(257, u'j')); }),
            errc::kInvalidName);
  EXPECT_EQ(dir->Snapshot(), before);

  EXPECT_EQ(dir->SubmitJob(queue, {}, u"3"), u"WinNT://PC1/Laser/3");
  EXPECT_EQ(dir->SubmitJob(queue), u"WinNT://PC1/Laser/2");
  EXPECT_EQ(dir->SubmitJob(queue), u"WinNT://PC1/Laser/4");  // 3 is taken
  EXPECT_EQ(dir->SubmitJob(queue, {}, u"5"), u"WinNT://PC1/Laser/5");
  EXPECT_EQ(dir->SubmitJob(queue, {}, u"6"), u"WinNT://PC1/Laser/6");
  EXPECT_EQ(dir->SubmitJob(queue), u"WinNT://PC1/Laser/7");
  EXPECT_EQ(ErrorCodeOf([&] { dir->SubmitJob(queue, {}, u"7"); }), errc::kObjectExists);
}

}  // namespace
}  // namespace moxtrel::testing
