// The object model's printing classes held to the same behaviour on the embedded directory and
// on a private cupsd: queues and their settings, jobs and their changes, and the NewJob watch.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "moxtrel/backends/cups/cups_handles.h"
#include "moxtrel/backends/cups/cups_provider.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/printing/print_job.h"
#include "moxtrel/printing/print_jobs.h"
#include "moxtrel/printing/print_queue.h"
#include "moxtrel/printing/print_queues.h"
#include "moxtrel/servers/server.h"
#include "support/cupsd_server.h"
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
  // Get-Notifications and the queue's job count
  EXPECT_EQ(backends::cups::RequestsSent(provider) - before, 2);
  backend->Submit("bob", "new", 100);
  before = backends::cups::RequestsSent(provider);
  EXPECT_EQ(walk(), 6);
  EXPECT_EQ(backends::cups::RequestsSent(provider) - before, 3);  // and the new job's attributes
}

// A listing far longer than one block read off the connection comes back whole and in order,
// and the connection serves the next request.
TEST_F(CupsOnly, ALongListingIsReadWhole) {
  constexpr int kJobs = 250;  // about 90 KiB of answer
  for (int i = 0; i < kJobs; ++i) {
    backend->Submit(i % 2 ? "alice" : "bob", "document " + std::to_string(i), 10);
  }
  auto queue = directory::As<directory::IADsPrintQueueOperations>(Get(u"/LaserJet,PrintQueue"));
  auto e = queue->PrintJobs()->NewEnum();
  int n = 0;
  while (auto job = e->Next()) {
    EXPECT_EQ(job->Get(u"Description").ToString(), u"document " + FromUtf8(std::to_string(n)));
    EXPECT_EQ(job->Get(u"User").ToString(), n % 2 ? u"alice" : u"bob");
    ++n;
  }
  EXPECT_EQ(n, kJobs);
  EXPECT_EQ(queue->Get(u"Description").ToString(), u"Laser printer");
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

// The code and text of what `call` throws; code 0 when it throws nothing.
template <class Call>
std::pair<uint32_t, std::u16string> Refusal(Call&& call) {
  try {
    call();
  } catch (const AutomationError& e) {
    return {static_cast<uint32_t>(e.code()), e.description()};
  }
  return {0u, u""};
}

bool Holds(const std::u16string& text, std::u16string_view part) {
  return text.find(part) != std::u16string::npos;
}

// The lines of one queue's section of printers.conf.
std::string SectionOf(const std::string& conf, const std::string& queue) {
  const std::string open = "<Printer " + queue + ">\n";
  const auto start = conf.find(open);
  if (start == std::string::npos) return {};
  return conf.substr(start, conf.find("</Printer>", start) - start);
}

class CupsServerSide : public CupsOnly {
 protected:
  CupsdServer& Server() { return *backend->Cupsd(); }
  // Waits until the scheduler has written `part` to printers.conf (it writes at each change).
  std::string ConfWith(const std::string& part) {
    std::string conf;
    for (int i = 0; i < 500; ++i) {
      conf = Server().PrintersConf();
      if (conf.find(part) != std::string::npos) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return conf;
  }
};

// Text with line breaks or other control characters, or longer than CUPS keeps, is refused
// before it is sent: nothing written through the backend becomes a line of the scheduler's
// own printers.conf.
TEST_F(CupsServerSide, TextIsCheckedBeforeItIsSent) {
  auto queue = directory::As<directory::IADsPrintQueue>(Get(u"/LaserJet,PrintQueue"));
  const std::u16string hostile[] = {
      u"x\n</Printer>\n<Printer evil>\nDeviceURI file:/etc/passwd",
      u"\nDeviceURI file:/etc/passwd",
      u"carriage\rreturn",
      u"tab\there",
      std::u16string(u"nul\0byte", 8),
      u"next-line\u0085",
      std::u16string(128, u'x'),
      std::u16string(64, u'\u00e9'),  // 128 bytes in UTF-8
  };
  for (const auto& text : hostile) {
    for (std::u16string_view property : {u"Description", u"Location"}) {
      auto [code, message] = Refusal([&] { queue->Put(property, Variant(text)); });
      EXPECT_EQ(code, errc::kInvalidArg) << ToUtf8(text);
      EXPECT_TRUE(Holds(message, property)) << ToUtf8(message);
      EXPECT_TRUE(Holds(message, u"WinNT://")) << ToUtf8(message);
    }
  }
  EXPECT_EQ(Refusal([&] {
              queue->Put(u"PrintDevices", Variant(u"file:/dev/null\nDeviceURI file:/etc/passwd"));
            }).first,
            errc::kInvalidArg);
  queue->Description(std::u16string(127, u'd'));  // as long as CUPS keeps: fine
  queue->SetInfo();
  EXPECT_EQ(queue->Description(), std::u16string(127, u'd'));

  const auto id = backend->Submit("alice", "report", 100);
  auto job = directory::As<directory::IADsPrintJob>(Get(u"/LaserJet/" + id));
  EXPECT_EQ(Refusal([&] { job->Description(u"a\nb"); }).first, errc::kInvalidArg);
  EXPECT_EQ(Refusal([&] { job->Description(std::u16string(256, u'j')); }).first, errc::kInvalidArg);
  job->SetInfo();  // nothing staged
  EXPECT_EQ(job->Description(), u"report");

  queue->Location(u"Marker");
  queue->SetInfo();
  const std::string conf = ConfWith("Location Marker");
  EXPECT_NE(SectionOf(conf, "LaserJet").find("Location Marker"), std::string::npos) << conf;
  EXPECT_EQ(conf.find("evil"), std::string::npos) << conf;
  EXPECT_EQ(conf.find("/etc/passwd"), std::string::npos) << conf;
  EXPECT_EQ(conf.find("<Printer ", conf.find("<Printer ") + 1), std::string::npos) << conf;
}

// A queue's name reaches the server percent-encoded and the answer must be for that name:
// "Q%41" is not "QA", "Q1%00" is not "Q1", and a job of one queue is never reached through
// another.
TEST_F(CupsServerSide, ANameAddressesThatObjectAndNoOther) {
  Server().AddQueue("QA", false, "queue A", "room A");
  Server().AddQueue("Q%41", false, "queue pct", "room pct");
  Server().AddQueue("Q1", false, "queue 1", "room 1");

  auto pct = directory::As<directory::IADsPrintQueue>(Get(u"/Q%41,PrintQueue"));
  EXPECT_EQ(pct->Name(), u"Q%41");
  EXPECT_EQ(pct->Description(), u"queue pct");
  pct->Description(u"written via pct");
  pct->SetInfo();
  auto qa = directory::As<directory::IADsPrintQueue>(Get(u"/QA,PrintQueue"));
  EXPECT_EQ(qa->Description(), u"queue A");
  const std::string conf = ConfWith("Info written via pct");
  EXPECT_NE(SectionOf(conf, "Q%41").find("Info written via pct"), std::string::npos) << conf;
  EXPECT_NE(SectionOf(conf, "QA").find("Info queue A"), std::string::npos) << conf;

  EXPECT_EQ(ErrorOf(u"/Q1%00,PrintQueue"), errc::kNoSuchObject);
  EXPECT_EQ(ErrorOf(u"/Q%2541,PrintQueue"), errc::kNoSuchObject);
  EXPECT_EQ(ErrorOf(u"/Q%31,PrintQueue"), errc::kNoSuchObject);
  for (const char16_t* bad : {u"/Q1 ,PrintQueue", u"/Q 1,PrintQueue", u"/Q1?x,PrintQueue",
                              u"/Q1#x,PrintQueue", u"/Q1\\x,PrintQueue"}) {
    EXPECT_EQ(ErrorOf(bad), errc::kInvalidName) << ToUtf8(bad);
  }

  // Jobs: one on QA, one on Q%41.
  const int on_a = Server().Submit("QA", "alice", "on A", 100);
  const int on_pct = Server().Submit("Q%41", "bob", "on pct", 100);
  const std::u16string a = FromUtf8(std::to_string(on_a));
  const std::u16string p = FromUtf8(std::to_string(on_pct));
  EXPECT_EQ(ErrorOf(u"/Q%41/" + a), errc::kNoSuchObject);
  EXPECT_EQ(ErrorOf(u"/Q1/" + a), errc::kNoSuchObject);
  auto pct_ops = directory::As<directory::IADsPrintQueueOperations>(Get(u"/Q%41,PrintQueue"));
  EXPECT_EQ(Refusal([&] { pct_ops->PrintJobs()->Remove(a); }).first, errc::kNoSuchObject);
  EXPECT_EQ(Server().QueueOf(on_a), "QA");  // not cancelled
  int listed = 0;
  for (auto walk = pct_ops->PrintJobs()->NewEnum(); auto job = walk->Next();) {
    EXPECT_EQ(job->Name(), p);
    ++listed;
  }
  EXPECT_EQ(listed, 1);
  auto job = directory::As<directory::IADsPrintJob>(Get(u"/Q%41/" + p));
  EXPECT_EQ(job->HostPrintQueue(), u"WinNT://" + std::u16string(kComputer) + u"/Q%41");
  pct_ops->PrintJobs()->Remove(p);
  EXPECT_EQ(Server().QueueOf(on_a), "QA");
}

// A write the server refuses leaves nothing staged: the handle reads what the server holds and
// the next SetInfo sends only its own change.
TEST_F(CupsServerSide, ARefusedWriteDoesNotStayStaged) {
  auto queue = directory::As<directory::IADsPrintQueue>(Get(u"/LaserJet,PrintQueue"));
  queue->Put(u"PrintDevices", Variant(u"nosuchbackend:/nowhere"));
  EXPECT_NE(Refusal([&] { queue->SetInfo(); }).first, 0u);
  EXPECT_EQ(queue->Get(u"PrintDevices").ToString(), u"file:/dev/null");
  queue->Location(u"Annex");
  queue->SetInfo();
  auto again = directory::As<directory::IADsPrintQueue>(Get(u"/LaserJet,PrintQueue"));
  EXPECT_EQ(again->Location(), u"Annex");
  EXPECT_EQ(again->Get(u"PrintDevices").ToString(), u"file:/dev/null");

  // A job: the server refuses while it demands authentication, and accepts once it no longer
  // does.
  const auto id = backend->Submit("alice", "report", 100);
  auto job = directory::As<directory::IADsPrintJob>(Get(u"/LaserJet/" + id));
  EXPECT_EQ(Refusal([&] { job->Priority(0); }).first, errc::kInvalidArg);  // cupsd would keep 0
  EXPECT_EQ(Refusal([&] { job->Priority(101); }).first, errc::kInvalidArg);
  Server().DemandAuthentication("LaserJet");
  job->Priority(70);
  EXPECT_EQ(Refusal([&] { job->SetInfo(); }).first, errc::kAccessDenied);
  EXPECT_EQ(job->Priority(), 50);
  Server().DemandAuthentication("LaserJet", false);
  job->Description(u"renamed");
  job->SetInfo();
  auto fresh = directory::As<directory::IADsPrintJob>(Get(u"/LaserJet/" + id));
  EXPECT_EQ(fresh->Description(), u"renamed");
  EXPECT_EQ(fresh->Priority(), 50);
}

// A watch subscribes to its own queue only, sees a job cancelled behind its back though cupsd
// raises no event of the queue for it, and its subscription ends when AutoUpdate goes to 0.
TEST_F(CupsServerSide, TheWatchSubscriptionBelongsToItsQueue) {
  Server().AddQueue("Other");
  directory::SetCurrentProvider(provider);
  struct Reset {
    ~Reset() { directory::SetCurrentProvider(nullptr); }
  } reset;
  const auto first = backend->Submit("alice", "one", 100);
  backend->Submit("bob", "two", 100);
  auto q = moxPrintQueue::Create();
  ASSERT_TRUE(q->Find(std::u16string(kQueue), std::u16string(kComputer)));
  auto jobs = q->PrintJobs();
  std::vector<std::u16string> announced;
  jobs->NewJob([&](std::u16string& name, std::u16string&, std::u16string&, int32_t&, int32_t&,
                   Date&) { announced.push_back(name); });
  jobs->AutoUpdate(60000);
  jobs->Refresh();
  jobs->Refresh();
  const auto uris = Server().SubscriptionPrinterUris();
  ASSERT_EQ(uris.size(), 1u);
  EXPECT_TRUE(uris[0].ends_with("/printers/LaserJet")) << uris[0];

  Server().Submit("Other", "carol", "elsewhere", 100);
  jobs->Refresh();
  EXPECT_EQ(jobs->Count(), 2);
  EXPECT_EQ(announced.size(), 2u);
  backend->CancelBehind(first);  // pending: cupsd ties its cancellation to no queue
  jobs->Refresh();
  EXPECT_EQ(jobs->Count(), 1);

  jobs->AutoUpdate(0);
  EXPECT_TRUE(Server().SubscriptionPrinterUris().empty());
  jobs->Refresh();  // still lists
  EXPECT_EQ(jobs->Count(), 1);
}

// Wherever the server demands authentication, the error says so and names what was asked.
TEST_F(CupsServerSide, AuthenticationIsNamed) {
  const auto id = backend->Submit("alice", "report", 100);
  Server().DemandAuthentication("LaserJet");
  auto handle = Get(u"/LaserJet,PrintQueue");
  auto queue = directory::As<directory::IADsPrintQueue>(handle);
  auto ops = directory::As<directory::IADsPrintQueueOperations>(handle);
  auto job = directory::As<directory::IADsPrintJob>(Get(u"/LaserJet/" + id));
  auto job_ops = directory::As<directory::IADsPrintJobOperations>(job);
  const std::u16string queue_path = u"WinNT://" + std::u16string(kComputer) + u"/LaserJet";
  auto expect_demand = [&](std::u16string_view what, auto&& call) {
    auto [code, message] = Refusal(call);
    EXPECT_EQ(code, errc::kAccessDenied) << ToUtf8(what);
    EXPECT_TRUE(Holds(message, u"demands authentication")) << ToUtf8(message);
    EXPECT_TRUE(Holds(message, queue_path)) << ToUtf8(message);
  };
  expect_demand(u"SetInfo", [&] {
    queue->Location(u"Vault");
    queue->SetInfo();
  });
  expect_demand(u"Pause", [&] { ops->Pause(); });
  expect_demand(u"Resume", [&] { ops->Resume(); });
  expect_demand(u"Purge", [&] { ops->Purge(); });
  expect_demand(u"job Pause", [&] { job_ops->Pause(); });
  expect_demand(u"job SetInfo", [&] {
    job->Priority(70);
    job->SetInfo();
  });
  expect_demand(u"Remove", [&] { ops->PrintJobs()->Remove(id); });
  EXPECT_EQ(queue->Location(), u"Hall");
  EXPECT_EQ(job->Priority(), 50);

  // A watch the server will not subscribe lists the queue at every tick instead.
  for (int i = 0; i < 3; ++i) {
    auto walk = ops->PrintJobs()->NewEnum();
    ASSERT_NE(walk->Next(), nullptr);
  }
  EXPECT_FALSE(dynamic_cast<backends::cups::CupsQueue*>(handle.get())->Watching());
}

}  // namespace
}  // namespace moxtrel::testing
