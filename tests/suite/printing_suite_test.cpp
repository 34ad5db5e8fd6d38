// The object model's printing classes held to the same behaviour on the embedded directory and
// on a private cupsd: queues and their settings, jobs and their changes, and the NewJob watch.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "moxtrel/backends/cups/cups_handles.h"
#include "moxtrel/backends/cups/cups_provider.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/printing/print_job.h"
#include "moxtrel/printing/print_jobs.h"
#include "moxtrel/printing/print_queue.h"
#include "moxtrel/printing/print_queues.h"
#include "moxtrel/servers/server.h"
#include "support/printing_backends.h"

namespace moxtrel::testing {
namespace {

using ::testing::ElementsAre;

struct Announced {
  std::u16string name, user, description;
  int32_t count_during_event;
};

class PrintingSuite : public ::testing::TestWithParam<BackendFactory> {
 protected:
  void SetUp() override {
    owned_ = GetParam().make();
    backend = static_cast<PrintingBackend*>(owned_.get());
    if (auto why = backend->SkipReason(); !why.empty()) GTEST_SKIP() << why;
    layer = directory::JournalLayer::Wrap(backend->Provider());
    directory::SetCurrentProvider(layer);
  }
  void TearDown() override { directory::SetCurrentProvider(nullptr); }

  std::shared_ptr<moxPrintQueue> Queue() {
    auto q = moxPrintQueue::Create();
    EXPECT_TRUE(q->Find(std::u16string(kQueue), std::u16string(kComputer)));
    return q;
  }
  // Watches a queue's jobs: every event is recorded with the collection's Count at that moment.
  std::shared_ptr<moxPrintJobs> Watch(std::vector<Announced>& seen) {
    auto jobs = Queue()->PrintJobs();
    std::weak_ptr<moxPrintJobs> weak = jobs;
    jobs->NewJob([&seen, weak](std::u16string& name, std::u16string& user,
                               std::u16string& description, int32_t&, int32_t&, Date&) {
      seen.push_back({name, user, description, weak.lock()->Count()});
    });
    jobs->AutoUpdate(60000);  // the period enables announcements; ticks are driven by Refresh
    return jobs;
  }
  bool IsCups() const { return GetParam().name == "cupsd"; }

  std::unique_ptr<Backend> owned_;
  PrintingBackend* backend = nullptr;
  std::shared_ptr<directory::JournalLayer> layer;
};

// A server lists its queues; a queue reads its settings and writes them back.
TEST_P(PrintingSuite, QueuesAndTheirSettings) {
  auto server = moxServer::Create();
  server->Name(std::u16string(kComputer));
  auto queues = server->PrintQueues();
  ASSERT_EQ(queues->Count(), 1);
  EXPECT_EQ(queues->Item(Variant(int32_t{1}))->Name(), kQueue);

  auto q = Queue();
  EXPECT_EQ(q->Location(), u"Hall");
  EXPECT_EQ(q->Description(), u"Laser printer");
  q->Location(u"  Lobby ");
  q->Description(u"Colour laser");
  auto again = Queue();
  EXPECT_EQ(again->Location(), u"Lobby");
  EXPECT_EQ(again->Description(), u"Colour laser");

  auto missing = moxPrintQueue::Create();
  EXPECT_FALSE(missing->Find(u"NoSuchQueue", std::u16string(kComputer)));
  EXPECT_FALSE(missing->Exists());
}

// Jobs list with their owner, title and size; priority, hold and release, and cancel.
TEST_P(PrintingSuite, JobsAndTheirChanges) {
  const auto first = backend->Submit("alice", "report", 3000);
  const auto second = backend->Submit("bob", "slides", 500);
  auto jobs = Queue()->PrintJobs();
  ASSERT_EQ(jobs->Count(), 2);
  auto job = jobs->Item(Variant(first));
  EXPECT_EQ(job->User(), u"alice");
  EXPECT_EQ(job->Description(), u"report");
  EXPECT_GE(job->Size(), 3000);
  EXPECT_EQ(job->HostPrintQueue(), std::u16string(kComputer) + u"/" + std::u16string(kQueue));
  EXPECT_GT(job->TimeSubmitted().value, 0.0);

  job->Priority(80);
  job->Priority(100);  // out of range: ignored
  jobs->Refresh();
  EXPECT_EQ(jobs->Item(Variant(first))->Priority(), 80);

  // Hold and release through the provider's job operations.
  auto ops = directory::As<directory::IADsPrintQueueOperations>(
      layer->GetObject(std::u16string(u"WinNT://") + std::u16string(kComputer) + u"/" +
                       std::u16string(kQueue) + u",PrintQueue"));
  auto walk = ops->PrintJobs()->NewEnum();
  auto element = directory::As<directory::IADsPrintJobOperations>(walk->Next());
  element->Pause();
  EXPECT_EQ(element->Status() & directory::kJobStatusPaused, directory::kJobStatusPaused);
  element->Resume();
  EXPECT_EQ(element->Status() & directory::kJobStatusPaused, 0);

  EXPECT_TRUE(jobs->Remove(Variant(first)));
  EXPECT_EQ(jobs->Count(), 1);
  EXPECT_FALSE(jobs->Remove(Variant(u"999999")));
  jobs->Refresh();
  ASSERT_EQ(jobs->Count(), 1);
  EXPECT_EQ(jobs->Item(Variant(int32_t{1}))->Name(), second);
}

// NewJob: once per job, only after its data is complete, never for a job that left the queue,
// and the collection holds the jobs enumerated so far while the event runs.
TEST_P(PrintingSuite, NewJobRules) {
  const auto a = backend->Submit("alice", "a", 100);
  const auto b = backend->Submit("bob", "b", 100);
  const auto c = backend->SubmitIncoming("carol", "c");
  const auto d = backend->Submit("dave", "d", 100);
  std::vector<Announced> seen;
  auto jobs = Watch(seen);

  ASSERT_TRUE(jobs->Refresh());
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].name, a);
  EXPECT_EQ(seen[0].user, u"alice");
  EXPECT_EQ(seen[0].count_during_event, 1);
  EXPECT_EQ(seen[1].name, b);
  EXPECT_EQ(seen[1].count_during_event, 2);
  EXPECT_EQ(seen[2].name, d);  // c is still receiving its data
  EXPECT_EQ(seen[2].count_during_event, 4);
  EXPECT_EQ(jobs->Count(), 4);

  seen.clear();
  jobs->Refresh();
  EXPECT_TRUE(seen.empty());  // nothing new

  backend->FinishIncoming(c);
  jobs->Refresh();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].name, c);
  EXPECT_EQ(seen[0].description, u"c");

  seen.clear();
  EXPECT_TRUE(jobs->Remove(Variant(a)));
  backend->CancelBehind(b);
  const auto e = backend->Submit("erin", "e", 100);
  jobs->Refresh();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].name, e);
  EXPECT_EQ(jobs->Count(), 3) << [&] {
    std::string names;
    for (int32_t i = 1; i <= jobs->Count(); ++i)
      names += ToUtf8(jobs->Item(Variant(i))->Name()) + " ";
    return names;
  }() << ToUtf8(a + u" " + b);  // c, d, e

  seen.clear();
  jobs->Refresh();
  jobs->Refresh();
  EXPECT_TRUE(seen.empty());
}

// A queue pauses, resumes and purges through the provider interface; the model sees the result.
TEST_P(PrintingSuite, QueuePausesResumesAndPurges) {
  auto queue = directory::As<directory::IADsPrintQueueOperations>(layer->GetObject(
      u"WinNT://" + std::u16string(kComputer) + u"/" + std::u16string(kQueue) + u",PrintQueue"));
  queue->Resume();
  EXPECT_EQ(queue->Status() & directory::kQueueStatusPaused, 0);
  queue->Pause();  // paused, so a server holds the jobs instead of printing them
  EXPECT_EQ(queue->Status() & directory::kQueueStatusPaused, directory::kQueueStatusPaused);
  EXPECT_EQ(layer->Journal().Count(u"IADsPrintQueueOperations.Pause"), 1u);

  backend->Submit("alice", "one", 100);
  backend->Submit("bob", "two", 100);
  auto jobs = Queue()->PrintJobs();
  EXPECT_EQ(jobs->Count(), 2);
  queue->Purge();
  jobs->Refresh();
  EXPECT_EQ(jobs->Count(), 0);
  queue->Purge();  // nothing left: still fine
  queue->Resume();
  EXPECT_EQ(queue->Status() & directory::kQueueStatusPaused, 0);
  EXPECT_EQ(layer->Journal().Count(u"IADsPrintQueueOperations.Purge"), 2u);
}

// A queue that is not there: Find returns False, and the reason names the call and the member.
TEST_P(PrintingSuite, FindLeavesItsReason) {
  Queue();
  layer->Journal().Clear();
  ClearLastTrappedFailure();
  auto q = moxPrintQueue::Create();
  EXPECT_FALSE(q->Find(u"NoSuchQueue", std::u16string(kComputer)));
  auto failure = LastTrappedFailure();
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->member, u"moxPrintQueue.Find");
  EXPECT_NE(failure->call.find(u"NoSuchQueue"), std::u16string::npos) << ToUtf8(failure->call);
  const auto failed = layer->Journal().Failed();
  ASSERT_EQ(failed.size(), 1u) << layer->Journal().Dump();
  EXPECT_EQ(failed[0].trapped_by, u"moxPrintQueue.Find");
  EXPECT_EQ(failed[0].code, failure->code);
  ClearLastTrappedFailure();
}

INSTANTIATE_TEST_SUITE_P(Backends, PrintingSuite, ::testing::ValuesIn(PrintingBackends()),
                         BackendName);

// What only the CUPS backend has: names checked before they reach a URI, the cost of a watch
// tick, the fallback without subscriptions, and an authentication demand.
class CupsOnly : public ::testing::Test {
 protected:
  void SetUp() override {
    backend_ = PrintingBackends()[1].make();
    backend = static_cast<PrintingBackend*>(backend_.get());
    if (auto why = backend->SkipReason(); !why.empty()) GTEST_SKIP() << why;
    provider = backend->Provider();
  }
  std::shared_ptr<directory::IADs> Get(const std::u16string& rest) {
    return provider->GetObject(u"WinNT://" + std::u16string(kComputer) + rest);
  }
  uint32_t ErrorOf(const std::u16string& rest) {
    try {
      Get(rest);
    } catch (const AutomationError& e) {
      return static_cast<uint32_t>(e.code());
    }
    return 0;
  }
  std::unique_ptr<Backend> backend_;
  PrintingBackend* backend = nullptr;
  std::shared_ptr<directory::DirectoryProvider> provider;
};

TEST_F(CupsOnly, NamesAreCheckedBeforeTheyReachAUri) {
  const long before = backends::cups::RequestsSent(provider);
  EXPECT_EQ(ErrorOf(u"/Laser#Jet,PrintQueue"), errc::kInvalidName);
  EXPECT_EQ(ErrorOf(u"/LaserJet/12abc"), errc::kInvalidName);
  EXPECT_EQ(ErrorOf(u"/LaserJet/0"), errc::kInvalidName);
  EXPECT_EQ(backends::cups::RequestsSent(provider), before);  // none reached the server
  EXPECT_EQ(ErrorOf(u"/NoSuchQueue,PrintQueue"), errc::kNoSuchObject);
  EXPECT_EQ(ErrorOf(u"/LaserJet/4242"), errc::kNoSuchObject);
  EXPECT_EQ(ErrorOf(u"/LaserJet,user"), errc::kNoSuchObject);
}

TEST_F(CupsOnly, AWatchTickWithNothingNewIsOneRequest) {
  for (int i = 0; i < 5; ++i) backend->Submit("alice", "doc", 100);
  auto queue = directory::As<directory::IADsPrintQueueOperations>(Get(u"/LaserJet,PrintQueue"));
  auto walk = [&] {
    int n = 0;
    auto e = queue->PrintJobs()->NewEnum();
    while (e->Next()) ++n;
    return n;
  };
  EXPECT_EQ(walk(), 5);  // a plain listing
  EXPECT_EQ(walk(), 5);  // watched: subscribes and lists
  auto* cups_queue = dynamic_cast<backends::cups::CupsQueue*>(queue.get());
  ASSERT_NE(cups_queue, nullptr);
  EXPECT_TRUE(cups_queue->Watching());
  long before = backends::cups::RequestsSent(provider);
  EXPECT_EQ(walk(), 5);
  EXPECT_EQ(backends::cups::RequestsSent(provider) - before, 1);  // Get-Notifications only
  backend->Submit("bob", "new", 100);
  before = backends::cups::RequestsSent(provider);
  EXPECT_EQ(walk(), 6);
  EXPECT_EQ(backends::cups::RequestsSent(provider) - before, 2);  // and the new job's attributes
}

TEST_F(CupsOnly, WithoutSubscriptionsEveryTickLists) {
  backends::cups::CupsOptions o;
  o.server = backend->Address();
  o.computer = std::u16string(kComputer);
  o.subscriptions = false;
  auto listing = backends::cups::MakeCupsProvider(o);
  backend->Submit("alice", "doc", 100);
  auto queue = directory::As<directory::IADsPrintQueueOperations>(
      listing->GetObject(u"WinNT://" + std::u16string(kComputer) + u"/LaserJet,PrintQueue"));
  for (int i = 0; i < 3; ++i) {
    const long before = backends::cups::RequestsSent(listing);
    auto walk = queue->PrintJobs()->NewEnum();
    EXPECT_NE(walk->Next(), nullptr);
    EXPECT_EQ(backends::cups::RequestsSent(listing) - before, 1);  // one Get-Jobs
  }
  EXPECT_FALSE(dynamic_cast<backends::cups::CupsQueue*>(queue.get())->Watching());
}

// The queue's status as CUPS reports it, and a property CUPS has no place for.
TEST_F(CupsOnly, QueueStatusAndPropertiesWithoutAPlace) {
  auto handle = Get(u"/LaserJet,PrintQueue");
  auto queue = directory::As<directory::IADsPrintQueueOperations>(handle);
  EXPECT_EQ(queue->Status() & directory::kQueueStatusPaused,
            directory::kQueueStatusPaused);  // stopped

  auto typed = directory::As<directory::IADsPrintQueue>(handle);
  typed->DefaultJobPriority(70);
  typed->SetInfo();
  EXPECT_EQ(typed->DefaultJobPriority(), 70);
  EXPECT_EQ(typed->PrintProcessor(), u"");
  typed->PrintProcessor(u"");  // the value it reads: accepted, changes nothing
  try {
    typed->PrintProcessor(u"winprint");
    FAIL() << "a property without a place was written";
  } catch (const AutomationError& e) {
    EXPECT_EQ(static_cast<uint32_t>(e.code()), errc::kNotSupported);
    EXPECT_NE(e.description().find(u"PrintProcessor"), std::u16string::npos);
  }
}

// The fixture's policy demands authentication for deleting a queue.
TEST_F(CupsOnly, AnAuthenticationDemandIsAClearError) {
  auto computer = directory::As<directory::IADsContainer>(Get(u",computer"));
  try {
    computer->Delete(u"PrintQueue", kQueue);
    FAIL() << "the delete went through";
  } catch (const AutomationError& e) {
    EXPECT_EQ(static_cast<uint32_t>(e.code()), errc::kAccessDenied);
    EXPECT_NE(e.description().find(u"demands authentication"), std::u16string::npos);
  }
  EXPECT_EQ(ErrorOf(u"/LaserJet,PrintQueue"), 0u);  // still there
}

}  // namespace
}  // namespace moxtrel::testing
