// The private cupsd the CUPS pairs share: one queue of held jobs (so that they stay queued),
// filled once per run, since submitting ten thousand jobs takes minutes.
//
//   const HeldQueue& q = TheHeldQueue();   // check q.why first
//   auto provider = q.Provider();
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "moxtrel/directory/provider.h"
#include "support/cupsd_server.h"

namespace moxtrel::bench {

struct HeldQueue {
  testing::CupsdServer cups{30};  // state files written at most every 30 s
  std::string why;                // non-empty: the pairs cannot run here
  std::string queue = "Held";
  std::string uri;  // the queue's ipp URI
  int64_t jobs = 0;
  double fill_seconds = 0;

  // A fresh provider of the computer "PC1" on this server.
  std::shared_ptr<directory::DirectoryProvider> Provider() const;
};

HeldQueue& TheHeldQueue();

}  // namespace moxtrel::bench
