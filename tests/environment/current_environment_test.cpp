#include "moxtrel/environment/current_environment.h"

#include <gtest/gtest.h>

#include <string>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/platform/fake_system_facts.h"

namespace moxtrel::testing {
namespace {

using P = enmoxUserPrivilege;

class CurrentEnvironmentTest : public ::testing::Test {
 protected:
  CurrentEnvironmentTest() : facts(platform::FakeSystemFacts::Create()) {
    facts->SetComputerName(u"PC1");
    facts->SetUserName(u"alice");
    facts->SetDomainController(u"\\\\DC1");
    facts->SetPrivilege(u"alice", 2);
    platform::SetCurrentSystemFacts(facts);
  }
  ~CurrentEnvironmentTest() override { platform::SetCurrentSystemFacts(nullptr); }

  std::shared_ptr<platform::FakeSystemFacts> facts;
};

// Each answer is asked once and then kept by the object, even when the system changes; another
// object asks afresh.
TEST_F(CurrentEnvironmentTest, AnswersAreCachedPerObject) {
  auto env = moxCurrentEnvironment::Create();
  EXPECT_EQ(env->CurrentComputer(), u"PC1");
  EXPECT_EQ(env->CurrentUser(), u"alice");
  EXPECT_EQ(env->CurrentDomain(), u"\\\\DC1");
  EXPECT_EQ(env->CurrentUserPrivilege(), P::moxAdminPrivilege);
  facts->SetComputerName(u"PC9");
  facts->SetUserName(u"bob");
  facts->SetDomainController(std::nullopt);
  facts->SetPrivilege(u"alice", 0);
  EXPECT_EQ(env->CurrentComputer(), u"PC1");
  EXPECT_EQ(env->CurrentUser(), u"alice");
  EXPECT_EQ(env->CurrentDomain(), u"\\\\DC1");
  EXPECT_EQ(env->CurrentUserPrivilege(), P::moxAdminPrivilege);
  const auto& calls = facts->Calls();
  EXPECT_EQ(calls.computer_name, 1);
  EXPECT_EQ(calls.user_name, 1);
  EXPECT_EQ(calls.domain_controller, 1);
  EXPECT_EQ(calls.account_privilege, 1);
  // The account is asked about at the controller that was found.
  EXPECT_EQ(facts->PrivilegeQueries().front().first, u"\\\\DC1");

  EXPECT_EQ(moxCurrentEnvironment::Create()->CurrentComputer(), u"PC9");
}

// Empty names are asked again; a missing controller is the empty string and is not asked again.
TEST_F(CurrentEnvironmentTest, EmptyNamesAreAskedAgainButNoControllerIsKept) {
  facts->SetComputerName(u"");
  facts->SetUserName(u"");
  facts->SetDomainController(std::nullopt);
  auto env = moxCurrentEnvironment::Create();
  EXPECT_EQ(env->CurrentComputer(), u"");
  EXPECT_EQ(env->CurrentUser(), u"");
  EXPECT_EQ(env->CurrentDomain(), u"");
  facts->SetComputerName(u"PC1");
  facts->SetUserName(u"alice");
  facts->SetDomainController(u"\\\\DC1");
  EXPECT_EQ(env->CurrentComputer(), u"PC1");
  EXPECT_EQ(env->CurrentUser(), u"alice");
  EXPECT_EQ(env->CurrentDomain(), u"");
  EXPECT_EQ(facts->Calls().computer_name, 2);
  EXPECT_EQ(facts->Calls().domain_controller, 1);
}

// The controller's name comes back whole however long it is, and ends at a zero character.
TEST_F(CurrentEnvironmentTest, ControllerNameIsWholeAndCutAtZero) {
  const std::u16string long_name = u"\\\\" + std::u16string(300, u'D');
  facts->SetDomainController(long_name);
  EXPECT_EQ(moxCurrentEnvironment::Create()->CurrentDomain(), long_name);
  facts->SetDomainController(std::u16string(u"\\\\DC1\0junk", 11));
  EXPECT_EQ(moxCurrentEnvironment::Create()->CurrentDomain(), u"\\\\DC1");
}

// Recorded levels map one to one; an unknown level keeps the earlier answer (Guest at first).
TEST_F(CurrentEnvironmentTest, PrivilegeLevels) {
  for (int32_t level : {0, 1, 2}) {
    facts->SetPrivilege(u"alice", level);
    EXPECT_EQ(static_cast<int32_t>(moxCurrentEnvironment::Create()->CurrentUserPrivilege()), level);
  }
  facts->SetPrivilege(u"alice", 7);
  EXPECT_EQ(moxCurrentEnvironment::Create()->CurrentUserPrivilege(), P::moxGuestPrivilege);
}

// A failed account query raises a clear error and leaves the answer unknown, so the next read
// asks again and can succeed.
TEST_F(CurrentEnvironmentTest, FailedPrivilegeQueryRaisesAndIsAskedAgain) {
  facts->ForgetAccount(u"alice");
  auto env = moxCurrentEnvironment::Create();
  try {
    env->CurrentUserPrivilege();
    FAIL() << "no error raised";
  } catch (const AutomationError& e) {
    EXPECT_NE(e.description().find(u"CurrentUserPrivilege"), std::u16string::npos);
    EXPECT_NE(e.description().find(u"alice"), std::u16string::npos);
  }
  facts->SetPrivilege(u"alice", 1);
  EXPECT_EQ(env->CurrentUserPrivilege(), P::moxUserPrivilege);
  EXPECT_EQ(facts->Calls().account_privilege, 2);

  // The error keeps the code and the name of the failed call it came from.
  AutomationError from_call(errc::kAccessDenied, u"denied");
  from_call.SetCall(u"IADsUser.Get WinNT://DC1/alice", u"IADsUser.Get", nullptr);
  facts->FailPrivilege(from_call);
  try {
    moxCurrentEnvironment::Create()->CurrentUserPrivilege();
    FAIL() << "no error raised";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.code(), static_cast<int32_t>(errc::kAccessDenied));
    EXPECT_NE(e.description().find(u"CurrentUserPrivilege"), std::u16string::npos);
    EXPECT_EQ(e.call(), u"IADsUser.Get WinNT://DC1/alice");
    EXPECT_EQ(e.call_member(), u"IADsUser.Get");
  }
}

}  // namespace
}  // namespace moxtrel::testing
