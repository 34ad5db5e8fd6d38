// The last trapped failure is kept per thread, overwritten by each trap, and handed to the hook;
// neither a hook that throws nor one that traps again changes what the trapping member returns.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/trapped_failure.h"

namespace moxtrel::testing {
namespace {

class TrappedFailureTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearLastTrappedFailure(); }
  void TearDown() override {
    SetTrappedFailureHook(nullptr);
    ClearLastTrappedFailure();
  }
};

TEST_F(TrappedFailureTest, KeptPerThreadAndOverwritten) {
  EXPECT_FALSE(LastTrappedFailure());
  NoteTrapped(u"moxUsers.Add", AutomationError(errc::kInvalidArg, u"first"));
  NoteTrapped(u"moxUser.Find", AutomationError(errc::kNoSuchObject, u"second"));
  auto last = LastTrappedFailure();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->member, u"moxUser.Find");
  EXPECT_EQ(last->code, static_cast<int32_t>(errc::kNoSuchObject));
  EXPECT_EQ(last->description, u"second");
  EXPECT_EQ(last->source, kLibrarySource);  // no provider call named
  EXPECT_TRUE(last->call.empty());

  std::optional<TrappedFailure> seen_elsewhere = TrappedFailure{};
  std::thread([&] { seen_elsewhere = LastTrappedFailure(); }).join();
  EXPECT_FALSE(seen_elsewhere);

  AutomationError from_call(errc::kAccessDenied, u"denied");
  from_call.SetCall(u"IADs.SetInfo WinNT://PC1/bob", u"IADs.SetInfo", nullptr);
  from_call.SetCall(u"outer layer", u"outer", nullptr);  // the innermost layer's name stays
  NoteTrapped(u"moxUsers.Add", from_call);
  EXPECT_EQ(LastTrappedFailure()->call, u"IADs.SetInfo WinNT://PC1/bob");
  EXPECT_EQ(LastTrappedFailure()->source, u"IADs.SetInfo");

  // An error reworded on its way out still names the call, and a trap still tells its witness.
  struct Witness : TrapWitness {
    std::u16string member;
    void Trapped(std::u16string_view m) noexcept override { member = m; }
  };
  auto witness = std::make_shared<Witness>();
  AutomationError inner(errc::kAccessDenied, u"denied");
  inner.SetCall(u"IADsUser.Get WinNT://PC1/bob", u"IADsUser.Get", witness);
  const AutomationError reworded(inner, u"SID: denied");
  EXPECT_EQ(reworded.code(), static_cast<int32_t>(errc::kAccessDenied));
  EXPECT_EQ(reworded.description(), u"SID: denied");
  NoteTrapped(u"moxUser.Find", reworded);
  EXPECT_EQ(LastTrappedFailure()->call, u"IADsUser.Get WinNT://PC1/bob");
  EXPECT_EQ(witness->member, u"moxUser.Find");

  ClearLastTrappedFailure();
  EXPECT_FALSE(LastTrappedFailure());
}

TEST_F(TrappedFailureTest, HookSeesEachFailureAndCannotBreakTheTrap) {
  std::vector<std::u16string> seen;
  EXPECT_FALSE(SetTrappedFailureHook([&](const TrappedFailure& f) { seen.push_back(f.member); }));
  NoteTrapped(u"moxGroups.Remove", AutomationError(errc::kFail, u"x"));
  auto previous = SetTrappedFailureHook([&](const TrappedFailure& f) {
    seen.push_back(f.member);
    if (f.member == u"moxService.Start") {
      // A hook that traps a failure of its own, then throws.
      NoteTrapped(u"inner", AutomationError(errc::kFail, u"inner"));
      throw std::runtime_error("hook failed");
    }
  });
  ASSERT_TRUE(previous);
  NoteTrapped(u"moxService.Start", AutomationError(errc::kFail, u"y"));  // must not throw
  EXPECT_EQ(seen,
            (std::vector<std::u16string>{u"moxGroups.Remove", u"moxService.Start", u"inner"}));
  EXPECT_EQ(LastTrappedFailure()->member, u"inner");
}

}  // namespace
}  // namespace moxtrel::testing
