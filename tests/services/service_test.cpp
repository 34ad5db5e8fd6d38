#include "moxtrel/services/service.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "moxtrel/frame/text.h"
#include "services/services_fixture.h"

namespace moxtrel::testing {
namespace {

class ServiceTest : public ServicesTest {
 protected:
  // A bound service "Spooler" on PC1 with the given run state; the journal starts empty.
  std::shared_ptr<moxService> BoundService(int32_t status = 4) {
    svc_path = build.AddService(pc1, u"Spooler", {{u"Status", status}});
    auto svc = moxService::Create();
    EXPECT_TRUE(svc->Find(u"Spooler"));
    layer->Journal().Clear();
    return svc;
  }
  std::u16string svc_path;
};

// An unbound service answers empty values, ignores puts and refuses operations without any
// directory call; a blank name does not even bind.
TEST_F(ServiceTest, UnboundObjectNeverCallsTheDirectory) {
  build.AddService(pc1, u"Spooler");
  auto svc = moxService::Create();
  EXPECT_FALSE(svc->Find(u"   "));
  EXPECT_FALSE(svc->Exists());
  EXPECT_EQ(svc->DisplayName(), u"");
  EXPECT_EQ(svc->Path(), u"");
  EXPECT_EQ(svc->AccountName(), u"");
  EXPECT_EQ(svc->LoadOrderGroup(), u"");
  EXPECT_EQ(static_cast<int32_t>(svc->Status()), 0);
  EXPECT_EQ(static_cast<int32_t>(svc->StartType()), 0);
  EXPECT_EQ(static_cast<int32_t>(svc->ServiceType()), 0);
  EXPECT_EQ(static_cast<int32_t>(svc->ErrorControl()), 0);
  svc->DisplayName(u"x");
  svc->StartType(enmoxServiceStartType::moxSVCSTDisabled);
  EXPECT_FALSE(svc->Start());
  EXPECT_FALSE(svc->StopSvc());
  EXPECT_FALSE(svc->Pause());
  EXPECT_FALSE(svc->Continue());
  EXPECT_FALSE(svc->SetPassword(u"pw"));
  EXPECT_EQ(svc->Dependencies()->Count(), 0);
  EXPECT_EQ(layer->Journal().Size(), 0u) << layer->Journal().Dump();
}

// Without a server, Find binds on the local computer, trims both names, and asks the system
// for the computer's name only once per thread.
TEST_F(ServiceTest, FindUsesTheLocalComputerAndTrims) {
  const auto corp = build.AddDomain(u"CORP");
  const auto pc2 = build.AddComputer(corp, u"PC2");
  build.AddService(pc1, u"Spooler");
  build.AddService(pc2, u"Browser");

  auto svc = moxService::Create();
  ASSERT_TRUE(svc->Find(u"  Spooler "));
  EXPECT_EQ(layer->Journal().Entries().front().path, u"WinNT://PC1/Spooler,service");
  EXPECT_EQ(svc->Name(), u"Spooler");
  EXPECT_EQ(svc->Server(), u"PC1");
  ASSERT_TRUE(moxService::Create()->Find(u"Spooler"));
  EXPECT_EQ(facts->Calls().computer_name, 1);

  ASSERT_TRUE(svc->Find(u"Browser", u" PC2  "));
  // The host path of a domain computer keeps its domain part.
  EXPECT_EQ(svc->Server(), u"CORP/PC2");
}

// A failed Find unbinds and keeps the given names; a later blank Find keeps the old binding
// but still hands out a new, empty dependency list.
TEST_F(ServiceTest, FailedAndBlankFinds) {
  build.AddService(pc1, u"Spooler", {{u"Dependencies", Variant(u"RpcSs")}});
  auto svc = moxService::Create();
  EXPECT_FALSE(svc->Find(u"Nope"));
  EXPECT_FALSE(svc->Exists());
  EXPECT_EQ(svc->Name(), u"Nope");
  EXPECT_EQ(svc->Server(), u"PC1");

  ASSERT_TRUE(svc->Find(u"Spooler"));
  auto first_deps = svc->Dependencies();
  EXPECT_EQ(first_deps->Count(), 1);
  layer->Journal().Clear();
  EXPECT_FALSE(svc->Find(u""));
  EXPECT_EQ(layer->Journal().Size(), 0u);
  EXPECT_TRUE(svc->Exists());
  EXPECT_EQ(svc->Name(), u"Spooler");
  EXPECT_NE(svc->Dependencies(), first_deps);
  EXPECT_EQ(svc->Dependencies()->Count(), 0);
  EXPECT_EQ(first_deps->Item(Variant(int32_t{1})), u"RpcSs");
}

// Text puts skip blank values, write trimmed ones and commit; numbers pass unchecked; a failed
// put is not committed and no write failure reaches the caller.
TEST_F(ServiceTest, WritesCommitAndSwallowFailures) {
  auto svc = BoundService();
  svc->DisplayName(u"   ");
  svc->Path(u"");
  EXPECT_EQ(layer->Journal().Size(), 0u);

  svc->DisplayName(u"  Print Spooler ");
  EXPECT_EQ(dir->Peek(svc_path, u"DisplayName"), Variant(u"Print Spooler"));
  svc->AccountName(u" LocalSystem ");
  svc->LoadOrderGroup(u"Base");
  svc->Path(u"C:\\spool.exe");
  EXPECT_EQ(Calls(u"IADs.SetInfo"), 4u);
  EXPECT_EQ(svc->LoadOrderGroup(), u"Base");
  EXPECT_EQ(svc->Path(), u"C:\\spool.exe");

  svc->StartType(static_cast<enmoxServiceStartType>(99));
  svc->ErrorControl(enmoxServiceErrorControl::moxECSevere);
  svc->ServiceType(enmoxServiceType::moxShareProcess);
  EXPECT_EQ(static_cast<int32_t>(svc->ErrorControl()), 2);
  EXPECT_EQ(static_cast<int32_t>(svc->ServiceType()), 32);

  layer->Journal().Clear();
  FailNext(u"DisplayName.put");
  svc->DisplayName(u"Refused");
  EXPECT_EQ(Calls(u"IADs.SetInfo"), 0u);
  FailNext(u"IADs.SetInfo");
  svc->ErrorControl(enmoxServiceErrorControl::moxECIgnore);
  EXPECT_EQ(svc->DisplayName(), u"Print Spooler");
}

// Gets of a bound service pass a directory failure on.
TEST_F(ServiceTest, ReadFailuresReachTheCaller) {
  auto svc = BoundService();
  FailNext(u"DisplayName");
  EXPECT_NE(ErrorCodeOf([&] { svc->DisplayName(); }), 0);
  FailNext(u"IADsServiceOperations.Status");
  EXPECT_NE(ErrorCodeOf([&] { svc->Start(); }), 0);
  EXPECT_EQ(Calls(u"IADsServiceOperations.Start"), 0u);
}

// Every operation against every run state: accepted ones make exactly one operation call,
// refused ones none; StopSvc reads the state twice, the others once.
TEST_F(ServiceTest, OperationsFollowTheRunState) {
  struct Op {
    const char16_t* call;
    bool (moxService::*run)();
    std::array<int32_t, 2> accepted;
  };
  const Op ops[] = {
      {u"IADsServiceOperations.Start", &moxService::Start, {1, 1}},
      {u"IADsServiceOperations.Pause", &moxService::Pause, {4, 4}},
      {u"IADsServiceOperations.Continue", &moxService::Continue, {7, 7}},
      {u"IADsServiceOperations.Stop", &moxService::StopSvc, {4, 7}},
  };
  int serial = 0;
  for (const Op& op : ops) {
    for (int32_t status = 1; status <= 8; ++status) {
      SCOPED_TRACE(::testing::Message() << "status " << status << " op " << ToUtf8(op.call));
      const auto name = u"Svc" + FromUtf8(std::to_string(++serial));
      build.AddService(pc1, name, {{u"Status", status}});
      auto svc = moxService::Create();
      ASSERT_TRUE(svc->Find(name));
      layer->Journal().Clear();
      const bool accepted = status == op.accepted[0] || status == op.accepted[1];
      EXPECT_EQ((*svc.*op.run)(), accepted);
      EXPECT_EQ(Calls(op.call), accepted ? 1u : 0u);
      const bool stop = op.run == &moxService::StopSvc;
      EXPECT_EQ(Calls(u"IADsServiceOperations.Status"), stop ? 2u : 1u);
    }
  }
}

// A directory that refuses the operation turns it into False.
TEST_F(ServiceTest, RefusedOperationsReturnFalse) {
  auto svc = BoundService(4);
  FailNext(u"IADsServiceOperations.Stop");
  EXPECT_FALSE(svc->StopSvc());
  EXPECT_TRUE(svc->Pause());
  EXPECT_EQ(static_cast<int32_t>(svc->Status()), 7);
  EXPECT_TRUE(svc->StopSvc());
}

// SetPassword passes its argument untouched, an empty one included, and reports a refusal.
TEST_F(ServiceTest, SetPasswordPassesTheArgumentAsGiven) {
  auto svc = BoundService();
  EXPECT_TRUE(svc->SetPassword(u""));
  EXPECT_TRUE(dir->PasswordMatches(svc_path, u""));
  EXPECT_TRUE(svc->SetPassword(u" p w "));
  EXPECT_TRUE(dir->PasswordMatches(svc_path, u" p w "));
  EXPECT_EQ(Calls(u"IADsServiceOperations.SetPassword"), 2u);
  FailNext(u"IADsServiceOperations.SetPassword");
  EXPECT_FALSE(svc->SetPassword(u"x"));
}

}  // namespace
}  // namespace moxtrel::testing
