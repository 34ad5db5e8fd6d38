#include "moxtrel/printing/print_jobs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "moxtrel/platform/thread_timers.h"
#include "moxtrel/printing/print_queue.h"
#include "printing/printing_fixture.h"

namespace moxtrel {
namespace {

using std::chrono::milliseconds;
using testing::ErrorCodeOf;
using testing::FailOn;

class PrintJobsTest : public testing::PrintingTest {
 protected:
  // Binds the queue, lists its jobs and records every NewJob as "name:user".
  void Bind() {
    queue = moxPrintQueue::Create();
    ASSERT_TRUE(queue->Find(u"LaserJet", u"PRINTSRV"));
    jobs = queue->PrintJobs();
    jobs->NewJob([this](std::u16string& sName, std::u16string& sUserName, std::u16string&, int32_t&,
                        int32_t&, Date&) { announced.push_back(sName + u":" + sUserName); });
    layer->Journal().Clear();
  }
  std::size_t Listings() const { return layer->Journal().Count(u"IADsCollection.NewEnum"); }
  using Strings = std::vector<std::u16string>;

  std::shared_ptr<moxPrintQueue> queue;
  std::shared_ptr<moxPrintJobs> jobs;
  Strings announced;
  const std::size_t records = modTimer::colTimers().size();
  const std::size_t active = platform::ActiveTimers();
};

// The period has a 250 ms floor, restarts only on a change and stops at 0 or below; the
// put itself lists nothing, the first tick comes one period later.
TEST_F(PrintJobsTest, AutoUpdatePeriodRules) {
  Bind();
  const auto calls = platform::CallCounts();
  jobs->AutoUpdate(100);
  EXPECT_EQ(jobs->AutoUpdate(), 250);
  EXPECT_EQ(platform::ActiveTimers(), active + 1);
  platform::PumpFor(milliseconds(249));
  EXPECT_EQ(Listings(), 0u);
  platform::PumpFor(milliseconds(1));
  EXPECT_EQ(Listings(), 1u);
  jobs->AutoUpdate(250);  // same period: no restart
  jobs->AutoUpdate(2000);
  EXPECT_EQ(platform::CallCounts().set - calls.set, 2u);
  EXPECT_EQ(platform::CallCounts().kill - calls.kill, 1u);
  platform::PumpFor(milliseconds(1999));
  EXPECT_EQ(Listings(), 1u);
  platform::PumpFor(milliseconds(1));
  EXPECT_EQ(Listings(), 2u);
  jobs->AutoUpdate(-1);
  EXPECT_EQ(jobs->AutoUpdate(), 0);
  jobs->AutoUpdate(0);
  EXPECT_EQ(platform::CallCounts().kill - calls.kill, 2u);  // already stopped: no call
  EXPECT_EQ(platform::ActiveTimers(), active);
  platform::PumpFor(milliseconds(5000));
  EXPECT_EQ(Listings(), 2u);
}

// Without a period nothing is announced or even looked at; with one, each finished job is
// announced once, in queue order, with its details, and a spooling job waits until a tick
// finds it finished.
TEST_F(PrintJobsTest, AnnouncesEachFinishedJobOnce) {
  Submit(u"alice", 0);
  const std::u16string spooling = Submit(u"bob", directory::kJobStatusSpooling);
  Submit(u"carol", directory::kJobStatusPrinting, 4);
  Bind();
  EXPECT_TRUE(jobs->Refresh());
  EXPECT_EQ(layer->Journal().Count(u"IADsPrintJobOperations.Status"), 0u);
  EXPECT_TRUE(announced.empty());
  Strings details;
  jobs->NewJob([&](std::u16string& sName, std::u16string&, std::u16string& sDescription,
                   int32_t& sPages, int32_t& sSize, Date& dTimeSubmitted) {
    if (sName == u"3" && sPages == 4 && sSize == 4000 && dTimeSubmitted == Date{45000.5})
      details.push_back(sDescription);
  });
  jobs->AutoUpdate(1000);
  platform::PumpFor(milliseconds(2000));
  EXPECT_EQ(announced, (Strings{u"1:alice", u"3:carol"}));
  EXPECT_EQ(details, (Strings{u"doc of carol"}));
  dir->SetJobStatus(spooling, 0);
  platform::PumpFor(milliseconds(1000));
  EXPECT_EQ(announced, (Strings{u"1:alice", u"3:carol", u"2:bob"}));
  // A new binding brings a new collection that announces afresh.
  Bind();
  jobs->AutoUpdate(250);
  EXPECT_TRUE(jobs->Refresh());
  EXPECT_EQ(announced.size(), 6u);
}

// Turning AutoUpdate off hands the collection a fresh queue handle, so that whatever a provider
// keeps on its server to watch the queue ends with the old one; a bind that fails keeps the old
// handle, and the put still never fails.
TEST_F(PrintJobsTest, AutoUpdateOffReleasesTheWatchingHandle) {
  Submit(u"alice", 0);
  Bind();
  jobs->AutoUpdate(0);  // already off
  EXPECT_EQ(layer->Journal().Count(u"DirectoryProvider.GetObject"), 0u);
  jobs->AutoUpdate(1000);
  jobs->AutoUpdate(0);
  EXPECT_EQ(layer->Journal().Count(u"DirectoryProvider.GetObject"), 1u) << layer->Journal().Dump();
  FailOn(layer->Faults(), u"GetObject");
  jobs->AutoUpdate(1000);
  jobs->AutoUpdate(0);
  EXPECT_EQ(jobs->AutoUpdate(), 0);
  EXPECT_TRUE(jobs->Refresh());
  EXPECT_EQ(jobs->Count(), 1);
}

// While NewJob runs for a job, the list holds that job and those before it.
TEST_F(PrintJobsTest, CountGrowsAlongTheAnnouncements) {
  for (auto user : {u"a", u"b", u"c", u"d"}) Submit(user, 0);
  Bind();
  std::vector<int32_t> counts;
  jobs->NewJob([&](std::u16string&, std::u16string&, std::u16string&, int32_t&, int32_t&, Date&) {
    counts.push_back(jobs->Count());
  });
  jobs->AutoUpdate(500);
  platform::PumpFor(milliseconds(500));
  EXPECT_EQ(counts, (std::vector<int32_t>{1, 2, 3, 4}));
}

// Handlers get their own copies of the arguments; a throwing handler stops no other and is
// reported; a disconnected handler hears nothing more; an unreadable job is marked
// without an event.
TEST_F(PrintJobsTest, HandlersAreIsolated) {
  Submit(u"alice", 0);
  Bind();
  EXPECT_NE(ErrorCodeOf([&] { jobs->NewJob(moxPrintJobs::NewJobHandler()); }), 0);
  auto scribbler = jobs->NewJob(
      [](std::u16string& sName, std::u16string&, std::u16string&, int32_t&, int32_t&, Date&) {
        sName = u"changed";
        throw AutomationError(errc::kFail, u"handler broke");
      });
  Strings later;
  jobs->NewJob([&](std::u16string& sName, std::u16string&, std::u16string&, int32_t&, int32_t&,
                   Date&) { later.push_back(sName); });
  jobs->AutoUpdate(250);
  EXPECT_TRUE(jobs->Refresh());
  EXPECT_EQ(later, (Strings{u"1"}));
  ASSERT_EQ(contained.size(), 1u);
  EXPECT_NE(contained[0].find(u"handler broke"), std::u16string::npos);
  jobs->NewJob(scribbler);
  Submit(u"bob", 0);
  Submit(u"carol", 0);
  FailOn(layer->Faults(), u"IADsPrintJob.User", u"*/2");
  EXPECT_TRUE(jobs->Refresh());
  EXPECT_TRUE(jobs->Refresh());
  EXPECT_EQ(announced, (Strings{u"1:alice", u"3:carol"}));
  EXPECT_EQ(contained.size(), 1u);
}

// A failure while listing ends Refresh with the error; driven by the timer, it is contained
// and reported, and the next tick lists again.
TEST_F(PrintJobsTest, FailingRefreshIsContainedInTheTick) {
  Submit(u"alice", 0);
  Submit(u"bob", 0);
  Bind();
  jobs->AutoUpdate(250);
  FailOn(layer->Faults(), u"IADsPrintJobOperations.Status", u"*/2");
  EXPECT_NE(ErrorCodeOf([&] { jobs->Refresh(); }), 0);
  EXPECT_EQ(jobs->Count(), 2);  // both were added before the failing status read
  FailOn(layer->Faults(), u"IADsCollection.NewEnum");
  EXPECT_NO_THROW(platform::PumpFor(milliseconds(250)));
  EXPECT_EQ(contained.size(), 1u);
  EXPECT_EQ(jobs->Count(), 0);
  platform::PumpFor(milliseconds(250));
  EXPECT_EQ(jobs->Count(), 2);
  EXPECT_EQ(announced, (Strings{u"1:alice", u"2:bob"}));
}

// A tick reads every job's status before it looks at what was announced, and a job announced
// before stays announced when it goes back to spooling.
TEST_F(PrintJobsTest, TickReadsEveryStatusAndAnnouncesOnce) {
  const std::u16string first = Submit(u"alice", 0);
  Submit(u"bob", directory::kJobStatusSpooling);
  Bind();
  jobs->AutoUpdate(1000);
  EXPECT_TRUE(jobs->Refresh());
  EXPECT_EQ(announced, (Strings{u"1:alice"}));
  dir->SetJobStatus(first, directory::kJobStatusSpooling);
  layer->Journal().Clear();
  EXPECT_TRUE(jobs->Refresh());
  EXPECT_EQ(layer->Journal().Count(u"IADsPrintJobOperations.Status"), 2u)
      << layer->Journal().Dump();
  EXPECT_EQ(announced, (Strings{u"1:alice"}));
  EXPECT_EQ(jobs->Count(), 2);
  // A tick that finds nothing new reads each job's name once, for its key.
  dir->SetJobStatus(first, 0);
  layer->Journal().Clear();
  EXPECT_TRUE(jobs->Refresh());
  EXPECT_EQ(layer->Journal().Count(u"IADs.Name"), 2u) << layer->Journal().Dump();
  EXPECT_EQ(announced, (Strings{u"1:alice"}));
  jobs->AutoUpdate(0);
}

// Remove deletes the job from queue and list; a bad index or a provider failure is False;
// reads never list again.
TEST_F(PrintJobsTest, RemoveDeletesFromQueueAndList) {
  Submit(u"alice", 0);
  const std::u16string second = Submit(u"bob", 0);
  Bind();
  EXPECT_FALSE(jobs->Remove(Variant(int32_t{3})));
  FailOn(layer->Faults(), u"IADsCollection.Remove");
  EXPECT_FALSE(jobs->Remove(Variant(u"2")));
  EXPECT_EQ(jobs->Count(), 2);
  EXPECT_TRUE(jobs->Remove(Variant(u"2")));
  EXPECT_EQ(jobs->Count(), 1);
  EXPECT_FALSE(dir->Contains(second));
  Submit(u"carol", 0);
  EXPECT_EQ(jobs->Count(), 1);
}

// When the collection's own bind fails it lists and removes nothing, but its timer runs.
TEST_F(PrintJobsTest, UnboundCollectionStillRunsItsTimer) {
  Submit(u"alice", 0);
  FailOn(layer->Faults(), u"GetObject", u"WinNT://CORP/PRINTSRV/LaserJet,PrintQueue");
  Bind();
  EXPECT_EQ(jobs->Count(), 0);
  EXPECT_FALSE(jobs->Refresh());
  EXPECT_FALSE(jobs->Remove(Variant(int32_t{1})));
  jobs->AutoUpdate(300);
  EXPECT_EQ(modTimer::colTimers().size(), records + 1);
}

// A collection destroyed while its timer runs, or dropped by a handler during its own tick,
// leaves no timer behind and later ticks reach nothing.
TEST_F(PrintJobsTest, DestroyedCollectionLeavesNoTimer) {
  Submit(u"alice", 0);
  Submit(u"bob", 0);
  Bind();
  jobs->AutoUpdate(250);
  platform::PumpFor(milliseconds(250));
  Bind();
  EXPECT_EQ(modTimer::colTimers().size(), records);
  jobs->NewJob([&](std::u16string&, std::u16string&, std::u16string&, int32_t&, int32_t&, Date&) {
    queue.reset();
    jobs.reset();
  });
  jobs->AutoUpdate(250);
  platform::PumpFor(milliseconds(1000));
  EXPECT_EQ(announced.size(), 4u);  // the walk that was running finished
  EXPECT_EQ(modTimer::colTimers().size(), records);
  EXPECT_EQ(platform::ActiveTimers(), active);
}

// A watch while jobs arrive, finish and go: every job is announced exactly once.
TEST_F(PrintJobsTest, WatchWhileJobsComeAndGo) {
  Bind();
  jobs->AutoUpdate(250);
  Strings waiting;
  for (int round = 0; round < 6; ++round) {
    for (const auto& path : waiting) dir->SetJobStatus(path, 0);
    waiting = {Submit(u"u", directory::kJobStatusSpooling), Submit(u"u", 0)};
    platform::PumpFor(milliseconds(250));
    if (jobs->Count() > 2) {
      EXPECT_TRUE(jobs->Remove(Variant(int32_t{1})));
    }
  }
  for (const auto& path : waiting) dir->SetJobStatus(path, 0);
  platform::PumpFor(milliseconds(250));
  EXPECT_EQ(announced.size(), 12u);
  std::sort(announced.begin(), announced.end());
  EXPECT_EQ(std::unique(announced.begin(), announced.end()), announced.end());
}

}  // namespace
}  // namespace moxtrel
