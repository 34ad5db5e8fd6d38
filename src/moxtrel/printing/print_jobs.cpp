#include "moxtrel/printing/print_jobs.h"

#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/handler_failure.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/printing/mod_timer.h"

namespace moxtrel {

namespace {
constexpr int32_t kMinimumPeriod = 250;
}

moxPrintJobs::moxPrintJobs()
    : KeyedCollection(/*needs_refresh=*/false, /*create_store=*/false),
      m_Timer(KestStdTimer::Create()),
      new_job_(u"moxPrintJobs.NewJob", u"A NewJob handler", &ReportHandlerFailure) {}

std::shared_ptr<moxPrintJobs> moxPrintJobs::Create() {
  std::shared_ptr<moxPrintJobs> jobs(new moxPrintJobs);
  // Weak: the timer must not keep its collection alive.
  std::weak_ptr<moxPrintJobs> weak = jobs;
  jobs->m_Timer->Timer([weak] {
    if (auto self = weak.lock()) self->m_Timer_Timer();
  });
  return jobs;
}

moxPrintJobs::~moxPrintJobs() {
  if (m_Timer && m_Timer->Running()) m_Timer->StopTimer();
}

void moxPrintJobs::AutoUpdate(int32_t value) {
  if (value <= 0) {
    const bool was_watching = period_ > 0;
    period_ = 0;
    if (m_Timer->Running()) m_Timer->StopTimer();
    if (was_watching) EndWatch();
    return;
  }
  period_ = value < kMinimumPeriod ? kMinimumPeriod : value;
  if (!m_Timer->Running()) {
    m_Timer->Interval(period_);
    m_Timer->StartTimer();
  } else if (m_Timer->Interval() != period_) {
    m_Timer->StopTimer();
    m_Timer->Interval(period_);
    m_Timer->StartTimer();
  }
}

void moxPrintJobs::BindToQueue(const std::u16string& path) {
  try {
    queue_ = directory::Bind<directory::IADsPrintQueue>(
        directory::WithClass(path, directory::ObjectKind::kPrintQueue));
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxPrintJobs.BindToQueue", e);
    store_ = Store::Create();
    queue_.reset();
    return;
  }
  announced_.Clear();
  Refresh();
}

void moxPrintJobs::EndWatch() noexcept {
  if (!queue_) return;
  // A provider may keep a watch on the server for as long as its queue handle lives (a CUPS
  // subscription): a fresh handle takes the old one's place, and the old one ends its watch.
  try {
    auto fresh = directory::Bind<directory::IADsPrintQueue>(
        directory::WithClass(queue_->ADsPath(), directory::ObjectKind::kPrintQueue));
    queue_ = std::move(fresh);
  } catch (...) {
    // The old handle stays; its watch ends with it or with its lease.
  }
}

void moxPrintJobs::m_Timer_Timer() {
  Refresh();
}

bool moxPrintJobs::Refresh() {
  // A NewJob handler may drop the client's last reference to this collection.
  const auto keep_alive = shared_from_this();
  // Locals, so that a handler that refreshes again cannot pull them away mid-walk.
  const auto store = Store::Create();
  store_ = store;
  const auto queue = queue_;
  if (!queue) return false;
  auto walk = directory::As<directory::IADsPrintQueueOperations>(queue)->PrintJobs()->NewEnum();
  store->Reserve(walk->Remaining());
  while (auto element = walk->Next()) {
    auto job = directory::As<directory::IADsPrintJob>(element);
    auto member = moxPrintJob::Create();
    member->SetProviderJob(job);
    const std::u16string name = member->Name();
    store->Add(member, name);
    if (period_ > 0) {
      const int32_t status = directory::As<directory::IADsPrintJobOperations>(element)->Status();
      // Still spooling: a later refresh looks at it again.
      if ((status & directory::kJobStatusSpooling) != 0) continue;
      Announce(job, name);
    }
  }
  return true;
}

void moxPrintJobs::Announce(const std::shared_ptr<directory::IADsPrintJob>& job,
                            std::u16string_view listed_name) {
  // The name the listing just read decides whether the job is new and marks it once announced.
  if (announced_.Contains(listed_name)) return;
  try {
    const Date submitted = job->TimeSubmitted();
    const std::u16string name = job->Name();
    const std::u16string user = job->User();
    const std::u16string description = job->Description();
    const int32_t pages = job->TotalPages();
    const int32_t size = job->Size();
    RaiseNewJob(name, user, description, pages, size, submitted);
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxPrintJobs.Announce", e);
    // The job is marked all the same: an unreadable job is not retried at every tick.
  }
  announced_.Insert(listed_name);
}

void moxPrintJobs::RaiseNewJob(const std::u16string& sName, const std::u16string& sUserName,
                               const std::u16string& sDescription, int32_t sPages, int32_t sSize,
                               Date dTimeSubmitted) {
  new_job_.RaiseWith([&](const NewJobHandler& handler) {
    // Fresh copies per handler: what one writes must not reach the next.
    std::u16string name = sName, user = sUserName, description = sDescription;
    int32_t pages = sPages, size = sSize;
    Date submitted = dTimeSubmitted;
    handler(name, user, description, pages, size, submitted);
  });
}

bool moxPrintJobs::Remove(const Variant& Index) {
  if (!queue_) return false;
  std::shared_ptr<moxPrintJob> member;
  try {
    member = RequireStore().Item(Index);
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxPrintJobs.Remove", e);
    return false;
  }
  try {
    directory::As<directory::IADsPrintQueueOperations>(queue_)->PrintJobs()->Remove(member->Name());
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxPrintJobs.Remove", e);
    return false;
  }
  RequireStore().Remove(Index);
  return true;
}

EventToken moxPrintJobs::NewJob(NewJobHandler handler) {
  return new_job_.Connect(std::move(handler));
}

void moxPrintJobs::NewJob(EventToken token) noexcept {
  new_job_.Disconnect(token);
}

}  // namespace moxtrel
