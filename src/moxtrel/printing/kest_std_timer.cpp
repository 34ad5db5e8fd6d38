#include "moxtrel/printing/kest_std_timer.h"

#include "moxtrel/frame/handler_failure.h"
#include "moxtrel/printing/mod_timer.h"

namespace moxtrel {

KestStdTimer::KestStdTimer()
    : timer_(u"KestStdTimer.Timer", u"The Timer handler", &ReportHandlerFailure) {}

std::shared_ptr<KestStdTimer> KestStdTimer::Create() {
  return std::shared_ptr<KestStdTimer>(new KestStdTimer);
}

KestStdTimer::~KestStdTimer() {
  if (!running_) return;
  // A platform timer that cannot be killed ticks on, but with its record gone no expiry
  // can reach this object again.
  if (!StopTimer()) Unregister();
}

void KestStdTimer::Interval(int32_t lInt) noexcept {
  if (!running_ && lInt > 0) interval_ = lInt;
}

bool KestStdTimer::StartTimer() {
  if (running_) return false;
  std::vector<clsTim>* registry = modTimer::Registry();
  if (!registry) return false;
  clsTim record;
  record.Mem = weak_from_this();
  // Room first, so that registering cannot fail once the platform timer exists.
  registry->reserve(registry->size() + 1);
  id_ = platform::SetTimer(interval_, &modTimer::TimerProc);
  if (id_ == 0) return false;
  record.ID = id_;
  registry->push_back(std::move(record));
  running_ = true;
  return true;
}

bool KestStdTimer::StopTimer() {
  if (!running_) return false;
  if (!platform::KillTimer(id_)) return false;
  Unregister();
  id_ = 0;
  running_ = false;
  return true;
}

void KestStdTimer::Unregister() noexcept {
  std::vector<clsTim>* registry = modTimer::Registry();
  if (!registry) return;
  for (auto it = registry->begin(); it != registry->end(); ++it) {
    if (it->ID == id_) {
      registry->erase(it);
      return;
    }
  }
}

void KestStdTimer::RaiseTimer() {
  timer_.Raise();
}

}  // namespace moxtrel
