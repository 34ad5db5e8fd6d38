// The object model's service classes held to the same behaviour on the embedded directory and
// on a private systemd: listing and reading services with their start types and dependencies,
// starting, stopping, pausing and continuing them, refusing to stop a service a running one
// depends on, writes read back through a new bind, and hostile names refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/services/service.h"
#include "moxtrel/services/services.h"
#include "support/service_backends.h"

namespace moxtrel::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

using Status = enmoxServiceStatus;
using StartType = enmoxServiceStartType;

class ServicesSuite : public ::testing::TestWithParam<BackendFactory> {
 protected:
  void SetUp() override {
    owned_ = GetParam().make();
    backend = static_cast<ServiceBackend*>(owned_.get());
    if (auto why = backend->SkipReason(); !why.empty()) GTEST_SKIP() << why;
    layer = directory::JournalLayer::Wrap(backend->Provider());
    directory::SetCurrentProvider(layer);
  }
  void TearDown() override { directory::SetCurrentProvider(nullptr); }

  std::shared_ptr<moxServices> Services() {
    auto services = moxServices::Create();
    services->Server(std::u16string(kComputer));
    return services;
  }
  std::shared_ptr<moxService> Service(const std::u16string& name) {
    auto service = moxService::Create();
    EXPECT_TRUE(service->Find(name, std::u16string(kComputer))) << ToUtf8(name);
    return service;
  }
  std::vector<std::u16string> Names() {
    std::vector<std::u16string> names;
    auto services = Services();
    for (int32_t i = 1; i <= services->Count(); ++i) {
      names.push_back(services->Item(Variant(i))->Name());
    }
    return names;
  }
  static std::vector<std::u16string> Deps(const std::shared_ptr<moxService>& service) {
    std::vector<std::u16string> deps;
    auto list = service->Dependencies();
    for (int32_t i = 1; i <= list->Count(); ++i) deps.push_back(list->Item(Variant(i)));
    return deps;
  }
  // Everything a write could change, read through the object model.
  std::u16string Snapshot(const std::u16string& name) {
    auto s = Service(name);
    std::u16string out = s->DisplayName() + u"|" + s->Path() + u"|" + s->AccountName() + u"|" +
                         DecimalText(static_cast<int32_t>(s->StartType())) + u"|";
    for (const auto& d : Deps(s)) out += d + u",";
    return out;
  }

  std::unique_ptr<Backend> owned_;
  ServiceBackend* backend = nullptr;
  std::shared_ptr<directory::JournalLayer> layer;
};

// A computer lists its services, stopped and disabled ones too, keyed without case; each reads
// its display name, program, account, types and dependencies.
TEST_P(ServicesSuite, ListsAndReadsServices) {
  const auto names = Names();
  EXPECT_THAT(names, Contains(u"mox-sleep"));
  EXPECT_THAT(names, Contains(u"mox-dep"));
  auto services = Services();
  auto sleep = services->Item(Variant(u"MOX-SLEEP"));
  EXPECT_EQ(sleep->Name(), u"mox-sleep");
  EXPECT_EQ(sleep->DisplayName(), u"Sleeping service");
  EXPECT_EQ(sleep->Path(), u"/bin/sleep 100000");
  EXPECT_EQ(sleep->AccountName(), u"root");
  EXPECT_EQ(sleep->Server(), kComputer);
  EXPECT_EQ(sleep->ServiceType(), enmoxServiceType::moxOwnProcess);
  EXPECT_EQ(sleep->ErrorControl(), enmoxServiceErrorControl::moxECIgnore);
  EXPECT_EQ(sleep->LoadOrderGroup(), u"");
  EXPECT_EQ(sleep->Status(), Status::moxSVCSStopped);
  EXPECT_EQ(sleep->StartType(), StartType::moxSVCSTAuto);
  EXPECT_THAT(Deps(sleep), IsEmpty());

  auto dep = Service(u"mox-dep");
  EXPECT_EQ(dep->DisplayName(), u"Dependent service");
  EXPECT_EQ(dep->StartType(), StartType::moxSVCSTDemand);
  EXPECT_THAT(Deps(dep), ElementsAre(u"mox-sleep"));

  auto missing = moxService::Create();
  EXPECT_FALSE(missing->Find(u"mox-none", std::u16string(kComputer)));
  EXPECT_FALSE(services->Exists(Variant(u"mox-none")));
}

// Start, pause, continue and stop move a service through its run states, each refused from a
// state that does not allow it.
TEST_P(ServicesSuite, StartsPausesContinuesAndStops) {
  auto sleep = Service(u"mox-sleep");
  EXPECT_FALSE(sleep->Pause());
  EXPECT_FALSE(sleep->StopSvc());
  ASSERT_TRUE(sleep->Start());
  EXPECT_EQ(sleep->Status(), Status::moxSVCSRunning);
  EXPECT_FALSE(sleep->Start());
  EXPECT_FALSE(sleep->Continue());
  ASSERT_TRUE(sleep->Pause());
  EXPECT_EQ(sleep->Status(), Status::moxSVCSPaused);
  EXPECT_FALSE(sleep->Pause());
  ASSERT_TRUE(sleep->Continue());
  EXPECT_EQ(sleep->Status(), Status::moxSVCSRunning);
  ASSERT_TRUE(sleep->Pause());
  // A paused service stops as a running one does.
  ASSERT_TRUE(sleep->StopSvc());
  EXPECT_EQ(sleep->Status(), Status::moxSVCSStopped);
  EXPECT_TRUE(sleep->Start());
  EXPECT_TRUE(sleep->StopSvc());
}

// A service that a running service depends on is not stopped, and the refusal names the
// dependent; once that one stops, it stops.
TEST_P(ServicesSuite, StopRefusedWhileADependentRuns) {
  auto sleep = Service(u"mox-sleep");
  auto dep = Service(u"mox-dep");
  ASSERT_TRUE(sleep->Start());
  ASSERT_TRUE(dep->Start());
  ClearLastTrappedFailure();
  EXPECT_FALSE(sleep->StopSvc());
  auto why = LastTrappedFailure();
  ASSERT_TRUE(why.has_value());
  EXPECT_EQ(static_cast<uint32_t>(why->code), errc::kDependentServicesRunning);
  EXPECT_THAT(ToUtf8(why->description), HasSubstr("mox-dep"));
  EXPECT_EQ(sleep->Status(), Status::moxSVCSRunning);
  EXPECT_EQ(dep->Status(), Status::moxSVCSRunning);
  // A paused dependent still holds it.
  ASSERT_TRUE(dep->Pause());
  EXPECT_FALSE(sleep->StopSvc());
  ASSERT_TRUE(dep->StopSvc());
  EXPECT_TRUE(sleep->StopSvc());
  EXPECT_EQ(sleep->Status(), Status::moxSVCSStopped);
}

// Display name, program, account and start type are written, and read back after the manager
// reloads, through a new bind of a new provider; a blank value writes nothing.
TEST_P(ServicesSuite, ConfigurationWritesReadBackThroughANewBind) {
  auto dep = Service(u"mox-dep");
  dep->DisplayName(u"  Web front  ");
  dep->Path(u"/bin/sleep 200000");
  dep->AccountName(u"nobody");
  dep->StartType(StartType::moxSVCSTAuto);
  dep->DisplayName(u"   ");
  auto sleep = Service(u"mox-sleep");
  sleep->StartType(StartType::moxSVCSTDisabled);

  backend->Reload();
  directory::SetCurrentProvider(directory::JournalLayer::Wrap(backend->Fresh()));
  auto again = Service(u"mox-dep");
  EXPECT_EQ(again->DisplayName(), u"Web front");
  EXPECT_EQ(again->Path(), u"/bin/sleep 200000");
  EXPECT_EQ(again->AccountName(), u"nobody");
  EXPECT_EQ(again->StartType(), StartType::moxSVCSTAuto);
  EXPECT_THAT(Deps(again), ElementsAre(u"mox-sleep"));
  auto disabled = Service(u"mox-sleep");
  EXPECT_EQ(disabled->StartType(), StartType::moxSVCSTDisabled);
  disabled->StartType(StartType::moxSVCSTDemand);
  EXPECT_EQ(disabled->StartType(), StartType::moxSVCSTDemand);
  EXPECT_TRUE(disabled->Start());
  EXPECT_TRUE(disabled->StopSvc());
}

// Dependencies are added and taken away again, each change read back at once.
TEST_P(ServicesSuite, DependenciesAreAddedAndRemoved) {
  auto dep = Service(u"mox-dep");
  ASSERT_TRUE(dep->Dependencies()->Add(u"mox-extra"));
  EXPECT_THAT(Deps(dep), ElementsAre(u"mox-sleep", u"mox-extra"));
  auto again = Service(u"mox-dep");
  EXPECT_THAT(Deps(again), ElementsAre(u"mox-sleep", u"mox-extra"));
  ASSERT_TRUE(again->Dependencies()->Remove(Variant(u"mox-extra")));
  EXPECT_THAT(Deps(Service(u"mox-dep")), ElementsAre(u"mox-sleep"));

  auto sleep = Service(u"mox-sleep");
  ASSERT_TRUE(sleep->Dependencies()->Add(u"mox-extra"));
  EXPECT_THAT(Deps(Service(u"mox-sleep")), ElementsAre(u"mox-extra"));
  ASSERT_TRUE(sleep->Dependencies()->Remove(Variant(int32_t{1})));
  EXPECT_THAT(Deps(Service(u"mox-sleep")), IsEmpty());
}

// Names that would reach another file, another unit or another directive find nothing, and
// dependency names of that kind are refused with nothing written.
TEST_P(ServicesSuite, HostileNamesAreRefused) {
  const std::string before = backend->Written();
  const std::u16string deps_before = Snapshot(u"mox-dep");
  const std::vector<std::u16string> names = {
      u"../mox-sleep", u"mox-sleep/x", u"mox-sleep\nExecStart=/bin/sh",    u"mox sleep",
      u"%n",           u"mox-sleep;x", std::u16string(u"mox-sleep\0x", 11)};
  for (const auto& name : names) {
    auto service = moxService::Create();
    EXPECT_FALSE(service->Find(name, std::u16string(kComputer))) << ToUtf8(name);
  }
  // The embedded directory holds a dependency list as any text; a unit file does not.
  if (before.empty()) return;
  auto dep = Service(u"mox-dep");
  for (const std::u16string name :
       {u"x\nExecStartPre=/bin/sh", u"../../etc/passwd", u"a b", u"mox-sleep\\", u"[Service]"}) {
    EXPECT_FALSE(dep->Dependencies()->Add(name)) << ToUtf8(name);
  }
  EXPECT_EQ(backend->Written(), before);
  EXPECT_EQ(Snapshot(u"mox-dep"), deps_before);
}

INSTANTIATE_TEST_SUITE_P(Backends, ServicesSuite, ::testing::ValuesIn(ServiceBackends()),
                         BackendName);

}  // namespace
}  // namespace moxtrel::testing
