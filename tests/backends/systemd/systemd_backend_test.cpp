// The systemd backend against a private manager, where it differs from the embedded directory:
// hostile values refused with nothing written, properties systemd has no place for, errors that
// name the unit and the manager's reason, a job that does not finish, services created and
// deleted in the unit folder, and the configuration's keys.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <condition_variable>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "moxtrel/backends/configuration.h"
#include "moxtrel/backends/systemd/systemd_provider.h"
#include "moxtrel/backends/systemd/unit_files.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/journal/journal_layer.h"
#include "moxtrel/services/service.h"
#include "moxtrel/services/services.h"
#include "support/private_systemd.h"

namespace moxtrel::testing {
namespace {

namespace fs = std::filesystem;
using backends::systemd::MakeSystemdProvider;
using backends::systemd::SystemdOptions;
using directory::As;
using directory::IADsComputer;
using directory::IADsService;
using ::testing::HasSubstr;
using ::testing::Not;

std::string ErrorOf(const std::string& text) {
  try {
    directory::CheckConfiguration(text, "/cfg/moxtrel.toml");
  } catch (const directory::ConfigurationError& e) {
    return e.what();
  }
  return "";
}

// The failure of `f`, as code and description.
std::pair<uint32_t, std::string> Failure(const std::function<void()>& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return {static_cast<uint32_t>(e.code()), ToUtf8(e.description())};
  }
  return {0, ""};
}

TEST(SystemdConfigurationTest, KeysAreCheckedByTheBackend) {
  EXPECT_EQ(ErrorOf("[computers.PC1]\nservices = \"systemd\"\n"), "");
  EXPECT_EQ(ErrorOf("[computers.PC1]\nservices = \"systemd\"\nsystemd_bus = "
                    "\"unix:path=/run/x\"\nunit_dir = \"units\"\n"),
            "");
  EXPECT_EQ(ErrorOf("[computers.PC1]\nservices = \"systemd\"\nsystemd_bus = \"/run/bus\"\n"),
            "/cfg/moxtrel.toml:3: computers.PC1.systemd_bus: \"/run/bus\" is not a D-Bus address "
            "(for a socket: \"unix:path=/run/bus\")");
  EXPECT_EQ(ErrorOf("[computers.PC1]\nservices = \"systemd\"\nunit_dir = 5\n"),
            "/cfg/moxtrel.toml:3: computers.PC1.unit_dir: expected a string");
  EXPECT_EQ(ErrorOf("[computers.PC1]\nunit_dir = \"/etc/systemd/system\"\n"),
            "/cfg/moxtrel.toml:2: computers.PC1.unit_dir: give services = \"systemd\" too");
}

class SystemdBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!manager().Available()) GTEST_SKIP() << manager().Why();
    manager().Reset();
    provider = Make(std::chrono::seconds(20));
    directory::SetCurrentProvider(directory::JournalLayer::Wrap(provider));
  }
  void TearDown() override { directory::SetCurrentProvider(nullptr); }

  static PrivateSystemd& manager() { return SharedSystemd(); }
  std::shared_ptr<directory::DirectoryProvider> Make(std::chrono::milliseconds timeout) {
    SystemdOptions o;
    o.bus = manager().Bus();
    o.unit_dir = manager().Units();
    o.computer = u"PC1";
    o.timeout = timeout;
    return MakeSystemdProvider(o);
  }
  std::shared_ptr<IADsService> Bind(const std::u16string& name) {
    return As<IADsService>(provider->GetObject(u"WinNT://PC1/" + name + u",service"));
  }
  std::shared_ptr<directory::IADsServiceOperations> Ops(const std::u16string& name) {
    return As<directory::IADsServiceOperations>(
        provider->GetObject(u"WinNT://PC1/" + name + u",service"));
  }
  std::shared_ptr<IADsComputer> Computer() {
    return As<IADsComputer>(provider->GetObject(u"WinNT://PC1,computer"));
  }
  // The unit folder's files and their text.
  std::string Written() {
    std::string out;
    for (const auto& e : fs::recursive_directory_iterator(manager().Units())) {
      out += e.path().string() + "\n";
      if (e.is_regular_file() && !e.is_symlink()) {
        std::ifstream in(e.path());
        out += std::string(std::istreambuf_iterator<char>(in), {});
      }
    }
    return out;
  }

  std::shared_ptr<directory::DirectoryProvider> provider;
};

// A value that would add a line, a section or an escape is refused at the put, and nothing is
// written: not by that SetInfo, and not by a later one.
TEST_F(SystemdBackendTest, HostileValuesAreRefusedWithNothingWritten) {
  const std::string before = Written();
  auto sleep = Bind(u"mox-sleep");
  const std::pair<std::u16string, std::u16string> hostile[] = {
      {u"DisplayName", u"x\nExecStartPre=/bin/sh -c id"},
      {u"DisplayName", u"x\\"},
      {u"DisplayName", std::u16string(u"x\0[Service]", 11)},
      {u"Path", u"/bin/sleep 1\n[Service]\nUser=root"},
      {u"Path", u"sleep 1"},
      {u"Path", u"/bin/sleep 1 ; /bin/sh"},
      {u"Path", u"/bin/sleep \"1"},
      {u"Path", u"/bin/sleep $TIME"},
      {u"ServiceAccountName", u"root\nUser=nobody"},
      {u"ServiceAccountName", u"../root"},
      {u"Dependencies", u"x\nRequires=y"},
      {u"Dependencies", u"../../etc/passwd"},
  };
  for (const auto& [property, value] : hostile) {
    auto [code, why] = Failure([&] { sleep->Put(property, Variant(value)); });
    EXPECT_TRUE(code == errc::kInvalidArg || code == errc::kInvalidName) << ToUtf8(value);
    EXPECT_FALSE(why.empty());
  }
  sleep->SetInfo();
  EXPECT_EQ(Written(), before);
  EXPECT_EQ(sleep->DisplayName(), u"Sleeping service");

  // What the manager would expand is written so that it reads back as given.
  sleep->DisplayName(u"100% of %n");
  sleep->Path(u"/bin/sleep 100000 %n");
  sleep->SetInfo();
  auto again =
      As<IADsService>(Make(std::chrono::seconds(20))->GetObject(u"WinNT://PC1/mox-sleep,service"));
  EXPECT_EQ(again->DisplayName(), u"100% of %n");
  EXPECT_EQ(again->Path(), u"/bin/sleep 100000 %n");
}

// Properties systemd has no place for read empty and refuse a write by saying why; a password
// is refused the same way.
TEST_F(SystemdBackendTest, WhatSystemdCannotHoldIsRefusedClearly) {
  auto sleep = Bind(u"mox-sleep");
  EXPECT_EQ(sleep->ErrorControl(), 0);
  EXPECT_EQ(sleep->LoadOrderGroup(), u"");
  auto [code, why] = Failure([&] { sleep->ErrorControl(1); });
  EXPECT_EQ(code, errc::kNotSupported);
  EXPECT_THAT(why, HasSubstr("no error control"));
  std::tie(code, why) = Failure([&] { sleep->LoadOrderGroup(u"net"); });
  EXPECT_EQ(code, errc::kNotSupported);
  std::tie(code, why) = Failure([&] { sleep->ServiceType(32); });
  EXPECT_EQ(code, errc::kNotSupported);
  std::tie(code, why) = Failure([&] { sleep->StartType(0); });
  EXPECT_EQ(code, errc::kNotSupported);
  std::tie(code, why) =
      Failure([&] { As<directory::IADsServiceOperations>(sleep)->SetPassword(u"pw"); });
  EXPECT_EQ(code, errc::kNotSupported);
  EXPECT_THAT(why, HasSubstr("services on this platform have no password"));

  // Through the object model these are trapped: False, and the reason is recorded.
  auto service = moxService::Create();
  ASSERT_TRUE(service->Find(u"mox-sleep", u"PC1"));
  ClearLastTrappedFailure();
  EXPECT_FALSE(service->SetPassword(u"secret"));
  ASSERT_TRUE(LastTrappedFailure().has_value());
  EXPECT_THAT(ToUtf8(LastTrappedFailure()->description), HasSubstr("no password"));
  EXPECT_THAT(ToUtf8(LastTrappedFailure()->description), Not(HasSubstr("secret")));

  // A dependency the unit file holds cannot be taken back by a drop-in.
  auto dep = Bind(u"mox-dep");
  dep->Dependencies(Variant(VariantArray{}));
  std::tie(code, why) = Failure([&] { dep->SetInfo(); });
  EXPECT_EQ(code, errc::kNotSupported);
  EXPECT_THAT(why, HasSubstr("unit file"));
}

// Failures name the unit and the manager's reason: a unit it does not know, a masked unit, a
// job that fails, a job that does not finish in time, and a manager that cannot be reached.
TEST_F(SystemdBackendTest, ErrorsNameTheUnitAndTheManagersReason) {
  auto [code, why] = Failure([&] { Bind(u"mox-none"); });
  EXPECT_EQ(code, errc::kNoSuchObject);
  EXPECT_THAT(why, HasSubstr("mox-none.service"));

  manager().WriteUnit(false, "mox-broken.service",
                      "[Service]\nType=exec\nExecStart=/nonexistent/program\n");
  manager().WriteUnit(false, "mox-stall.service",
                      "[Service]\nType=notify\nExecStart=/bin/sleep 100000\n");
  manager().Call("Reload");
  std::tie(code, why) = Failure([&] { Ops(u"mox-broken")->Start(); });
  EXPECT_EQ(code, errc::kServiceControlRefused);
  EXPECT_THAT(why, HasSubstr("mox-broken.service"));
  EXPECT_THAT(why, HasSubstr("\"failed\""));

  auto quick = Make(std::chrono::milliseconds(700));
  auto stall =
      As<directory::IADsServiceOperations>(quick->GetObject(u"WinNT://PC1/mox-stall,service"));
  std::tie(code, why) = Failure([&] { stall->Start(); });
  EXPECT_EQ(code, errc::kFail);
  EXPECT_THAT(why, HasSubstr("did not finish within 700 ms"));
  EXPECT_EQ(stall->Status(), 2);  // start pending: the job goes on
  manager().Call("StopUnit", {"mox-stall.service", "replace"});

  auto sleep = Bind(u"mox-sleep");
  sleep->StartType(4);
  sleep->SetInfo();
  std::tie(code, why) = Failure([&] { Ops(u"mox-sleep")->Start(); });
  EXPECT_NE(code, 0u);
  EXPECT_THAT(why, HasSubstr("mox-sleep.service"));
  EXPECT_THAT(why, HasSubstr("masked"));

  SystemdOptions o;
  o.bus = "unix:path=/nonexistent/bus";
  o.computer = u"PC1";
  std::tie(code, why) =
      Failure([&] { MakeSystemdProvider(o)->GetObject(u"WinNT://PC1/x,service"); });
  EXPECT_EQ(code, errc::kNetworkUnreachable);
  EXPECT_THAT(why, HasSubstr("unix:path=/nonexistent/bus"));
}

// A service created through the computer is a unit file in the unit folder; it can be started,
// is not deleted while it runs, and its deletion takes its file, drop-ins and links. A unit
// whose file the backend did not write is not deleted.
TEST_F(SystemdBackendTest, ServicesAreCreatedAndDeletedInTheUnitFolder) {
  auto masked = As<IADsService>(Computer()->Create(u"service", u"mox-new"));
  masked->Path(u"/bin/sleep 100000");
  masked->StartType(4);
  EXPECT_EQ(Failure([&] { masked->SetInfo(); }).first, errc::kNotSupported);
  EXPECT_FALSE(fs::exists(manager().Units() + "/mox-new.service"));
  auto created = As<IADsService>(Computer()->Create(u"service", u"mox-new"));
  auto [code, why] = Failure([&] { created->SetInfo(); });
  EXPECT_EQ(code, errc::kInvalidArg);  // no path yet
  created->Path(u"/bin/sleep 100000");
  created->DisplayName(u"New service");
  created->StartType(2);
  created->SetInfo();
  EXPECT_TRUE(fs::exists(manager().Units() + "/mox-new.service"));
  EXPECT_EQ(Failure([&] { Computer()->Create(u"service", u"mox-new"); }).first,
            errc::kObjectExists);

  auto services = moxServices::Create();
  services->Server(u"PC1");
  ASSERT_TRUE(services->Exists(Variant(u"mox-new")));
  auto listed = services->Item(Variant(u"mox-new"));
  EXPECT_EQ(listed->DisplayName(), u"New service");
  EXPECT_EQ(listed->StartType(), enmoxServiceStartType::moxSVCSTAuto);
  // Nothing of a change is made when its start type is refused.
  auto direct = Bind(u"mox-new");
  direct->DisplayName(u"Not written");
  direct->StartType(4);
  EXPECT_EQ(Failure([&] { direct->SetInfo(); }).first, errc::kNotSupported);
  EXPECT_EQ(listed->DisplayName(), u"New service");
  ASSERT_TRUE(listed->Start());
  EXPECT_FALSE(services->Remove(Variant(u"mox-new")));  // it runs
  ASSERT_TRUE(listed->StopSvc());
  listed->DisplayName(u"Renamed");  // leaves a drop-in to take away
  ASSERT_TRUE(services->Remove(Variant(u"mox-new")));
  EXPECT_FALSE(fs::exists(manager().Units() + "/mox-new.service"));
  EXPECT_FALSE(fs::exists(manager().Units() + "/mox-new.service.d/50-moxtrel.conf"));
  EXPECT_FALSE(fs::exists(manager().Units() + "/multi-user.target.wants/mox-new.service"));
  auto gone = moxService::Create();
  EXPECT_FALSE(gone->Find(u"mox-new", u"PC1"));

  std::tie(code, why) = Failure([&] { Computer()->Delete(u"service", u"mox-sleep"); });
  EXPECT_EQ(code, errc::kNotSupported);
  EXPECT_THAT(why, HasSubstr("no unit file in"));
  EXPECT_EQ(Failure([&] { Computer()->Create(u"service", u"../evil"); }).first, errc::kInvalidName);
  EXPECT_EQ(Failure([&] { Computer()->Delete(u"service", u"../../etc/x"); }).first,
            errc::kInvalidName);
}

// Unit files are asked for once and kept: a listing then costs one call, and its binds none;
// a unit another client adds and reloads, or enables, is in the next listing.

TEST_F(SystemdBackendTest, UnitFilesAreKeptUntilTheManagerSaysTheyChanged) {
  const long before = backends::systemd::ManagerCalls(provider);
  auto services = moxServices::Create();
  services->Server(u"PC1");
  const int32_t count = services->Count();
  EXPECT_GE(count, 2);
  // Subscribe, ListUnits and ListUnitFiles.
  EXPECT_EQ(backends::systemd::ManagerCalls(provider) - before, 3);
  const long second = backends::systemd::ManagerCalls(provider);
  services->Server(u"PC1");
  EXPECT_EQ(services->Count(), count);
  EXPECT_EQ(backends::systemd::ManagerCalls(provider) - second, 1);

  manager().WriteUnit(true, "mox-later.service", "[Service]\nExecStart=/bin/sleep 100000\n");
  manager().Call("Reload");
  services->Server(u"PC1");
  EXPECT_TRUE(services->Exists(Variant(u"mox-later")));
  fs::remove(manager().Lib() + "/mox-later.service");
  manager().Call("Reload");
  services->Server(u"PC1");
  EXPECT_FALSE(services->Exists(Variant(u"mox-later")));
}

// Two writers, each with a provider of its own, change different properties of one service at
// once: both changes are kept, neither overwrites the other's drop-in. Each writer, having read
// the drop-in, waits for the other to have read it too (or for a moment, when the other cannot
// get that far), so that without a lock both would write from what they read.
TEST_F(SystemdBackendTest, ConcurrentWritersKeepEachOthersChanges) {
  std::mutex m;
  std::condition_variable cv;
  int arrived = 0;
  backends::systemd::SetUnitFileHook([&](backends::systemd::UnitFileStep step, const std::string&) {
    if (step != backends::systemd::UnitFileStep::kOpen) return 0;
    std::unique_lock<std::mutex> hold(m);
    ++arrived;
    cv.notify_all();
    cv.wait_for(hold, std::chrono::milliseconds(500), [&] { return arrived >= 2; });
    return 0;
  });
  auto writer = [&](bool name) {
    auto p = Make(std::chrono::seconds(20));
    auto s = As<IADsService>(p->GetObject(u"WinNT://PC1/mox-sleep,service"));
    if (name) {
      s->DisplayName(u"Renamed");
    } else {
      s->Path(u"/bin/sleep 100001");
    }
    s->SetInfo();
  };
  std::thread a(writer, true), b(writer, false);
  a.join();
  b.join();
  backends::systemd::SetUnitFileHook(nullptr);
  auto sleep = Bind(u"mox-sleep");
  EXPECT_EQ(sleep->DisplayName(), u"Renamed");
  EXPECT_EQ(sleep->Path(), u"/bin/sleep 100001");
}

// A writer killed between writing its file and renaming it leaves the drop-in as it was; the
// next write takes away what it left beside it.
TEST_F(SystemdBackendTest, AWriterKilledMidWriteLeavesTheDropInWhole) {
  auto renamed = Bind(u"mox-sleep");
  renamed->DisplayName(u"Before");
  renamed->SetInfo();
  const std::string drop_in = manager().Units() + "/mox-sleep.service.d/50-moxtrel.conf";
  std::ifstream in(drop_in);
  const std::string before(std::istreambuf_iterator<char>(in), {});
  const pid_t child = fork();
  if (child == 0) {
    backends::systemd::SetUnitFileHook(
        [](backends::systemd::UnitFileStep step, const std::string&) {
          if (step == backends::systemd::UnitFileStep::kRename) _exit(0);
          return 0;
        });
    auto s = As<IADsService>(
        Make(std::chrono::seconds(20))->GetObject(u"WinNT://PC1/mox-sleep,service"));
    s->DisplayName(u"Killed");
    s->SetInfo();
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the write never reached its rename";
  std::ifstream again(drop_in);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(again), {}), before);
  auto leftovers = [&] {
    int n = 0;
    for (const auto& e : fs::directory_iterator(manager().Units() + "/mox-sleep.service.d")) {
      n += e.path().filename().string().rfind(".#", 0) == 0;
    }
    return n;
  };
  EXPECT_EQ(leftovers(), 1);
  EXPECT_EQ(Bind(u"mox-sleep")->DisplayName(), u"Before");
  renamed->DisplayName(u"After");
  renamed->SetInfo();
  EXPECT_EQ(leftovers(), 0);
  EXPECT_EQ(Bind(u"mox-sleep")->DisplayName(), u"After");
}

// A manager that dies under a bound service: reads and operations fail at once with a clear
// error naming the bus, and nothing waits for it.
TEST_F(SystemdBackendTest, AManagerThatDiesFailsClearly) {
  auto own = std::make_unique<PrivateSystemd>();
  ASSERT_TRUE(own->Available()) << own->Why();
  SystemdOptions o;
  o.bus = own->Bus();
  o.unit_dir = own->Units();
  o.computer = u"PC1";
  o.timeout = std::chrono::seconds(5);
  auto p = MakeSystemdProvider(o);
  auto sleep = As<IADsService>(p->GetObject(u"WinNT://PC1/mox-sleep,service"));
  EXPECT_EQ(sleep->DisplayName(), u"Sleeping service");
  own.reset();  // stopped by the script; its cgroup checked
  auto [code, why] = Failure([&] { sleep->DisplayName(); });
  EXPECT_NE(code, 0u);
  EXPECT_THAT(why, HasSubstr("mox-sleep.service"));
  std::tie(code, why) = Failure([&] { As<directory::IADsServiceOperations>(sleep)->Start(); });
  EXPECT_EQ(code, errc::kNetworkUnreachable);
  EXPECT_THAT(why, HasSubstr(o.bus));
}

}  // namespace
}  // namespace moxtrel::testing
