#include "cups_queue.h"

#include <chrono>

#include "moxtrel/backends/cups/cups_provider.h"
#include "pair_support.h"

namespace moxtrel::bench {

std::shared_ptr<directory::DirectoryProvider> HeldQueue::Provider() const {
  backends::cups::CupsOptions o;
  o.server = cups.Server();
  o.computer = u"PC1";
  o.user = "root";
  // cupsd writes its state for the ten thousand jobs some time after the fill, and answers
  // nothing for up to tens of seconds meanwhile on a loaded machine; ipptool waits it out, and
  // so must the library here (the pairs measure cost, not the bound on a silent server).
  o.timeout = std::chrono::minutes(2);
  return backends::cups::MakeCupsProvider(o);
}

namespace {

void Fill(HeldQueue& q) {
  if (!q.cups.Available()) {
    q.why = q.cups.Why();
    return;
  }
  q.jobs = Size(10000);
  const double start = WallSeconds();
  q.cups.AddQueue(q.queue, /*started=*/true);
  q.cups.SubmitMany(q.queue, "alice", "report", 64, /*held=*/true, static_cast<int>(q.jobs));
  q.fill_seconds = WallSeconds() - start;
  q.uri = "ipp://" + q.cups.Server() + "/printers/" + q.queue;
}

}  // namespace

// A static, so that cupsd is stopped when the program ends.
HeldQueue& TheHeldQueue() {
  static HeldQueue q;
  static const bool filled = (Fill(q), true);
  (void)filled;
  return q;
}

}  // namespace moxtrel::bench
