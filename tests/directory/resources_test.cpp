#include <gtest/gtest.h>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/memory/memory_directory.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::As;
using directory::Bind;
using directory::IADsComputerOperations;
using directory::IADsFileShare;
using directory::IADsPrintJob;
using directory::IADsPrintJobOperations;
using directory::IADsPrintQueueOperations;
using directory::IADsService;
using directory::IADsServiceOperations;

class ResourcesTest : public DirectoryTest {
 protected:
  void SetUp() override {
    corp = build.AddDomain(u"CORP");
    pc1 = build.AddComputer(corp, u"PC1");
    queue = build.AddPrintQueue(pc1, u"Laser");
  }
  std::u16string corp, pc1, queue;
};

// The run state moves only as the operations allow, and refusals name service and state.
TEST_F(ResourcesTest, ServiceStateMachine) {
  build.AddService(pc1, u"Spooler");
  auto svc = Bind<IADsServiceOperations>(u"WinNT://PC1/Spooler,service");
  EXPECT_EQ(svc->Status(), 1);
  EXPECT_EQ(ErrorCodeOf([&] { svc->Stop(); }), errc::kServiceNotActive);
  EXPECT_EQ(ErrorCodeOf([&] { svc->Pause(); }), errc::kServiceNotActive);
  svc->Start();
  EXPECT_EQ(svc->Status(), 4);
  try {
    svc->Start();
    FAIL() << "started twice";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.code(), static_cast<int32_t>(errc::kServiceAlreadyRunning));
    EXPECT_EQ(e.description(),
              u"The service \"Spooler\" on WinNT://CORP/PC1 cannot be started: it is running");
  }
  EXPECT_EQ(ErrorCodeOf([&] { svc->Continue(); }), errc::kServiceControlRefused);
  svc->Pause();
  EXPECT_EQ(svc->Status(), 7);
  svc->Continue();
  svc->Pause();
  svc->Stop();
  EXPECT_EQ(svc->Status(), 1);
  // A seeded pending state refuses every control.
  build.AddService(pc1, u"Slow", {{u"Status", int32_t{2}}});
  auto slow = Bind<IADsServiceOperations>(u"WinNT://CORP/PC1/Slow,service");
  EXPECT_EQ(ErrorCodeOf([&] { slow->Stop(); }), errc::kServiceControlRefused);
  EXPECT_EQ(ErrorCodeOf([&] { slow->Start(); }), errc::kServiceControlRefused);
  EXPECT_EQ(As<IADsService>(slow)->HostComputer(), u"WinNT://CORP/PC1");
}

// Dependencies keep the form they were given: an array with its lower bound, or one string.
TEST_F(ResourcesTest, ServiceDependenciesKeepTheirForm) {
  build.AddService(pc1, u"Browser", {{u"Dependencies", Variant::StringArray({u"A", u"B"}, 1)}});
  auto svc = Bind<IADsService>(u"WinNT://PC1/Browser,service");
  EXPECT_EQ(svc->Dependencies(), Variant::StringArray({u"A", u"B"}, 1));
  svc->Dependencies(Variant(u"LanmanServer"));
  svc->SetInfo();
  EXPECT_EQ(Bind<IADsService>(u"WinNT://PC1/Browser,service")->Dependencies(),
            Variant(u"LanmanServer"));
  EXPECT_EQ(ErrorCodeOf([&] { svc->Dependencies(Variant(int32_t{1})); }), errc::kTypeMismatch);
}

// Jobs are numbered by the queue, listed in submission order, paused, resumed and removed.
TEST_F(ResourcesTest, PrintJobs) {
  auto first = dir->SubmitJob(queue, {{u"User", u"alice"}, {u"TotalPages", int32_t{3}}});
  auto second = build.AddPrintJob(u"WinNT://PC1/Laser");
  EXPECT_EQ(first, u"WinNT://CORP/PC1/Laser/1");
  EXPECT_EQ(second, u"WinNT://CORP/PC1/Laser/2");
  auto jobs = Bind<IADsPrintQueueOperations>(u"WinNT://PC1/Laser,PrintQueue")->PrintJobs();
  std::vector<std::u16string> names;
  auto e = jobs->NewEnum();
  while (auto j = e->Next()) names.push_back(j->Name());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"1", u"2"}));
  auto job = Bind<IADsPrintJobOperations>(first + u",PrintJob");
  EXPECT_EQ(job->Status(), directory::kJobStatusSpooling);
  EXPECT_EQ(As<IADsPrintJob>(job)->HostPrintQueue(), u"WinNT://CORP/PC1/Laser");
  EXPECT_EQ(As<IADsPrintJob>(job)->User(), u"alice");
  dir->SetJobStatus(first, 0);
  job->Pause();
  EXPECT_EQ(job->Status(), directory::kJobStatusPaused);
  job->Resume();
  EXPECT_EQ(job->Status(), 0);
  // A job priority outside 1..99 is refused at SetInfo.
  As<IADsPrintJob>(job)->Priority(100);
  EXPECT_EQ(ErrorCodeOf([&] { job->SetInfo(); }), errc::kInvalidArg);
  jobs->Remove(u"1");
  EXPECT_EQ(ErrorCodeOf([&] { job->Status(); }), errc::kNoSuchObject);
  EXPECT_EQ(ErrorCodeOf([&] { jobs->Remove(u"1"); }), errc::kNoSuchObject);
  EXPECT_EQ(dir->SubmitJob(queue), u"WinNT://CORP/PC1/Laser/3");
}

// Shares live in the file service; shutdown requests are recorded, never acted on.
TEST_F(ResourcesTest, SharesAndShutdown) {
  auto data = build.AddShare(pc1, u"DATA", {{u"Path", u"C:\\data"}});
  EXPECT_EQ(data, u"WinNT://CORP/PC1/LanmanServer/DATA");
  auto share = Bind<IADsFileShare>(u"WinNT://PC1/LanmanServer/DATA,FileShare");
  EXPECT_EQ(share->HostComputer(), u"WinNT://CORP/PC1");
  EXPECT_EQ(share->Path(), u"C:\\data");
  auto service = Bind<directory::IADsContainer>(u"WinNT://PC1/LanmanServer,FileService");
  As<IADsFileShare>(service->Create(u"FileShare", u"PUB"))->SetInfo();
  EXPECT_TRUE(dir->Contains(u"WinNT://CORP/PC1/LanmanServer/PUB"));
  service->Delete(u"FileShare", u"data");
  EXPECT_FALSE(dir->Contains(data));
  Bind<IADsComputerOperations>(u"WinNT://PC1,computer")->Shutdown(true);
  EXPECT_EQ(dir->ShutdownRequests(), std::vector<std::u16string>{u"WinNT://CORP/PC1 reboot"});
  EXPECT_TRUE(dir->Contains(pc1));
}

}  // namespace
}  // namespace moxtrel::testing
