// CupsdServer: a private CUPS scheduler for tests and benchmarks: `cupsd -f` with its own
// cupsd.conf and cups-files.conf (every directory under a fresh temporary folder, listening on
// 127.0.0.1 and a free port, a test-only policy that demands authentication only for deleting a
// queue until DemandAuthentication reloads it with a stricter one), queues made with lpadmin,
// jobs submitted through libcups. The destructor stops cupsd by its process id and removes the
// folder. Never touches /etc/cups.
//
//   CupsdServer cups;                     // check cups.Available() first
//   cups.AddQueue("LaserJet");            // stopped, so that jobs stay queued
//   int id = cups.Submit("LaserJet", "alice", "report", 3000);
#pragma once

#include <cups/cups.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace moxtrel::testing {

class CupsdServer {
 public:
  // `write_delay_s`: how long cupsd may delay writing its state files after a change (0: at
  // once, which PrintersConf relies on; filling a queue of thousands of jobs wants more, as
  // cupsd rewrites its whole job cache at each write).
  explicit CupsdServer(int write_delay_s = 0);
  ~CupsdServer();
  CupsdServer(const CupsdServer&) = delete;
  CupsdServer& operator=(const CupsdServer&) = delete;

  // False when cupsd is not installed or did not start; Why() says which.
  bool Available() const noexcept { return pid_ > 0; }
  const std::string& Why() const noexcept { return why_; }
  std::string Server() const { return "127.0.0.1:" + std::to_string(port_); }
  int Port() const noexcept { return port_; }
  pid_t Pid() const noexcept { return pid_; }

  // A raw queue on file:/dev/null; stopped unless `started`. Throws std::runtime_error.
  void AddQueue(const std::string& name, bool started = false, const std::string& info = "",
                const std::string& location = "");
  // A job of `bytes` bytes sent as `user`; returns its id. `held`: job-hold-until=indefinite.
  int Submit(const std::string& queue, const std::string& user, const std::string& title, int bytes,
             bool held = false);
  // `count` such jobs sent over one connection (benchmarks fill long queues with it).
  void SubmitMany(const std::string& queue, const std::string& user, const std::string& title,
                  int bytes, bool held, int count);
  // A job whose document is still being sent: Create-Job only. FinishIncoming sends it.
  int SubmitIncoming(const std::string& queue, const std::string& user, const std::string& title);
  void FinishIncoming(const std::string& queue, int id, int bytes);
  // Cancels a job behind the provider's back.
  void Cancel(int id);
  // The name of the queue job `id` is on, or "" when the server knows no such job.
  std::string QueueOf(int id);

  // What the scheduler holds on disk: its printers.conf, written at each change.
  std::string PrintersConf() const;
  // Every subscription's notify-printer-uri ("" for one without), as Get-Subscriptions says.
  std::vector<std::string> SubscriptionPrinterUris();
  // Reloads the scheduler with a policy that demands authentication for every operation that
  // changes a queue or a job and for subscriptions (or, with `demand` false, the usual one);
  // `probe_queue` (an existing queue) is paused to see that the reload took. Throws
  // std::runtime_error.
  void DemandAuthentication(const std::string& probe_queue, bool demand = true);

 private:
  void WriteConf(bool demand_authentication);
  int SubmitOn(http_t* http, const std::string& queue, const std::string& user,
               const std::string& title, int bytes, bool held);

  std::string dir_, why_;
  int write_delay_s_ = 0;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace moxtrel::testing
