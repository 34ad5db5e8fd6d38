// clsTim: the registry record of one running KestStdTimer, kept by modTimer so that the
// timer callback, which receives only a platform identifier, can find its timer again.
//
//   clsTim record;
//   record.ID = id;
//   record.Mem = timer;                       // does not keep the timer alive
//   if (auto t = record.Mem.lock()) ...       // empty once the timer is gone
#pragma once

#include <memory>

#include "moxtrel/platform/thread_timers.h"

namespace moxtrel {

class KestStdTimer;

class clsTim {
 public:
  // The platform identifier of the running timer.
  platform::TimerId ID = 0;
  // The timer that owns it. Weak, so a record that outlives its timer cannot reach it.
  std::weak_ptr<KestStdTimer> Mem;
};

}  // namespace moxtrel
