// Creation by class name, registration, the global application object, and NewJob delivered
// to a late-bound sink.
#include <gtest/gtest.h>

#include "dispatch_toy.h"
#include "late_binding_fixture.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel::testing {
namespace {

class Creation : public LateBindingTest {};

// ProgIDs and bare names create without regard to case; what cannot be created says so.
TEST_F(Creation, ClassesAreCreatedByName) {
  for (const char16_t* name : {u"Moxtrel.moxUser", u"moxUser", u"MOXTREL.MOXUSER", u"moxuser"}) {
    auto object = dispatch::CreateObject(name);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->TypeName(), u"moxUser");
  }
  EXPECT_NE(dispatch::CreateObject(u"moxUser"), dispatch::CreateObject(u"moxUser"));
  for (const char16_t* name : {u"moxUsers", u"moxGroups", u"moxServers", u"moxPrintQueues",
                               u"Moxtrel.moxPrintJobs", u"moxPrintJob"}) {
    EXPECT_EQ(ErrorCodeOf([&] { dispatch::CreateObject(name); }), int32_t(errc::kNotCreatable))
        << ToUtf8(name);
  }
  for (const char16_t* name : {u"moxFoo", u"", u"Moxtrel.", u"Other.moxUser", u"_moxUser",
                               u"KestStdTimer", u"clsTim", u" moxUser"}) {
    EXPECT_EQ(ErrorCodeOf([&] { dispatch::CreateObject(name); }),
              int32_t(errc::kClassNotRegistered))
        << ToUtf8(name);
  }
  const auto progids = dispatch::RegisteredClasses();
  EXPECT_EQ(progids.size(), 11u);
  EXPECT_NE(std::find(progids.begin(), progids.end(), u"Moxtrel.moxServiceDeps"), progids.end());
}

// After UnregisterServer nothing is created until RegisterServer, and the global object is
// made anew afterwards.
TEST_F(Creation, UnregisterStopsCreationUntilRegistered) {
  auto app = dispatch::AppObject();
  EXPECT_EQ(dispatch::AppObject(), app);
  EXPECT_EQ(app->TypeName(), u"moxCurrentEnvironment");
  dispatch::UnregisterServer();
  EXPECT_FALSE(dispatch::IsRegistered());
  EXPECT_TRUE(dispatch::RegisteredClasses().empty());
  EXPECT_EQ(ErrorCodeOf([] { dispatch::CreateObject(u"moxUser"); }),
            int32_t(errc::kClassNotRegistered));
  EXPECT_EQ(ErrorCodeOf([] { dispatch::AppObject(); }), int32_t(errc::kClassNotRegistered));
  // Objects made before stay usable.
  EXPECT_EQ(Get(app, u"CurrentComputer"), Variant(u"SRV"));
  dispatch::RegisterServer();
  EXPECT_TRUE(dispatch::IsRegistered());
  EXPECT_EQ(dispatch::CreateObject(u"moxUser")->TypeName(), u"moxUser");
  EXPECT_NE(dispatch::AppObject(), app);
}

// Records every event; optionally scribbles over the by-reference arguments.
class RecordingSink : public EventSink {
 public:
  void OnEvent(DispId id, std::u16string_view name, std::vector<Variant>& args) override {
    ids.push_back(id);
    names.emplace_back(name);
    seen.push_back(args);
    if (scribble) {
      args[0] = Variant(u"changed");
      args[3] = Variant(u"not a number");
      args[5] = Variant(VariantArray{});
    }
  }
  std::vector<DispId> ids;
  std::vector<std::u16string> names;
  std::vector<std::vector<Variant>> seen;
  bool scribble = false;
};

class Events : public LateBindingTest {};

// A connected sink hears NewJob with six by-reference arguments; after Disconnect it hears
// nothing; a sink that writes nonsense into the arguments breaks nothing.
TEST_F(Events, NewJobReachesConnectedSinks) {
  auto queue = dispatch::CreateObject(u"moxPrintQueue");
  ASSERT_EQ(Call(queue, u"Find", {Variant(u"LaserJet"), Variant(u"SRV")}), Variant::Boolean(true));
  auto jobs = Obj(Get(queue, u"PrintJobs"));
  // Jobs are announced only while auto-update is on; the job already queued is announced now.
  Put(jobs, u"AutoUpdate", Variant(int32_t{600000}));
  Call(jobs, u"Refresh");
  auto sink = std::make_shared<RecordingSink>();
  sink->scribble = true;
  const uint32_t cookie = dispatch::Connect(jobs, sink);
  dir->SubmitJob(laser, {{u"User", Variant(u"carol")},
                         {u"Status", Variant(int32_t{0})},
                         {u"TotalPages", Variant(int32_t{7})},
                         {u"Size", Variant(int32_t{7000})},
                         {u"Description", Variant(u"slides")},
                         {u"TimeSubmitted", Variant(Date{45000.5})}});
  EXPECT_EQ(Call(jobs, u"Refresh"), Variant::Boolean(true));
  ASSERT_EQ(sink->ids.size(), 1u);
  EXPECT_EQ(sink->ids[0], 1);
  EXPECT_EQ(sink->names[0], u"NewJob");
  const auto& args = sink->seen[0];
  ASSERT_EQ(args.size(), 6u);
  EXPECT_EQ(args[1], Variant(u"carol"));
  EXPECT_EQ(args[2], Variant(u"slides"));
  EXPECT_EQ(args[3], Variant(int32_t{7}));
  EXPECT_EQ(args[4], Variant(int32_t{7000}));
  EXPECT_EQ(args[5], Variant(Date{45000.5}));
  // What the sink wrote is not what the job is.
  EXPECT_EQ(Get(Obj(Get(jobs, u"Item", {Variant(int32_t{2})})), u"User"), Variant(u"carol"));

  dispatch::Disconnect(jobs, cookie);
  dir->SubmitJob(laser, {{u"User", Variant(u"dave")}, {u"Status", Variant(int32_t{0})}});
  Call(jobs, u"Refresh");
  EXPECT_EQ(sink->ids.size(), 1u);
  EXPECT_EQ(ErrorCodeOf([&] { dispatch::Disconnect(jobs, cookie); }), int32_t(errc::kInvalidArg));
}

// Connecting where there are no events, or with nothing to connect, is a clear error.
TEST_F(Events, ConnectRefusesWhatCannotBeConnected) {
  auto sink = std::make_shared<RecordingSink>();
  auto user = dispatch::CreateObject(u"moxUser");
  EXPECT_EQ(ErrorCodeOf([&] { dispatch::Connect(user, sink); }), int32_t(errc::kNoInterface));
  EXPECT_EQ(ErrorCodeOf([&] { dispatch::Connect(nullptr, sink); }), int32_t(errc::kInvalidArg));
  auto queue = dispatch::CreateObject(u"moxPrintQueue");
  Call(queue, u"Find", {Variant(u"LaserJet"), Variant(u"SRV")});
  auto jobs = Obj(Get(queue, u"PrintJobs"));
  EXPECT_EQ(ErrorCodeOf([&] { dispatch::Connect(jobs, nullptr); }), int32_t(errc::kInvalidArg));
  const uint32_t cookie = dispatch::Connect(jobs, sink);
  EXPECT_EQ(ErrorCodeOf([&] { dispatch::Disconnect(user, cookie); }), int32_t(errc::kInvalidArg));
  dispatch::Disconnect(jobs, cookie);
}

// A connection does not keep its source alive, and a source that is gone is simply forgotten.
TEST_F(Events, ConnectionsDoNotOwnTheirSource) {
  RegisterToyClasses();
  auto toy = dispatch::CreateObject(u"Toy");
  std::weak_ptr<AutomationObject> weak = toy;
  auto sink = std::make_shared<RecordingSink>();
  const uint32_t cookie = dispatch::Connect(toy, sink);
  std::u16string text = u"hello";
  std::static_pointer_cast<Toy>(toy)->Raise(text);
  EXPECT_EQ(sink->names, std::vector<std::u16string>{u"Ping"});
  toy.reset();
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(ErrorCodeOf([&] { dispatch::Disconnect(nullptr, cookie); }),
            int32_t(errc::kInvalidArg));
}

}  // namespace
}  // namespace moxtrel::testing
