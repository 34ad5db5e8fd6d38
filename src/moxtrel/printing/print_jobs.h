// moxPrintJobs: the jobs of one print queue, keyed by job name. It lists the queue when its
// print queue binds it and again on every Refresh; it never refreshes on read. With
// AutoUpdate set, a timer refreshes it periodically and every refresh raises NewJob once
// for each job that has finished spooling.
//
//   auto jobs = queue->PrintJobs();
//   auto token = jobs->NewJob([](std::u16string& sName, std::u16string& sUserName,
//                                std::u16string&, int32_t&, int32_t&, Date&) { ... });
//   jobs->AutoUpdate(1000);          // ticks arrive while this thread pumps messages
//   platform::PumpFor(std::chrono::seconds(10));
//   jobs->NewJob(token);             // disconnects
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/date.h"
#include "moxtrel/frame/event.h"
#include "moxtrel/frame/keyed_collection.h"
#include "moxtrel/frame/name_set.h"
#include "moxtrel/printing/kest_std_timer.h"
#include "moxtrel/printing/print_job.h"

namespace moxtrel {

class moxPrintQueue;

class moxPrintJobs final : public KeyedCollection<std::shared_ptr<moxPrintJob>> {
 public:
  static std::shared_ptr<moxPrintJobs> Create();
  ~moxPrintJobs() override;
  std::u16string_view TypeName() const noexcept override { return u"moxPrintJobs"; }

  // Milliseconds between automatic refreshes; 0 is off, anything from 1 to 249 means 250.
  int32_t AutoUpdate() const noexcept { return period_; }
  void AutoUpdate(int32_t value);

  // Count, Item and NewEnum read the list as the last Refresh left it.
  using KeyedCollection::Count;
  using KeyedCollection::Item;
  using KeyedCollection::NewEnum;

  // Deletes the job from the queue and from the list.
  bool Remove(const Variant& Index);
  // Lists the queue's jobs again and, while AutoUpdate is set, announces new ones.
  bool Refresh() override;

  // What a handler writes into the arguments is discarded. A throwing handler does not stop
  // the others; its failure goes to modTimer's error hook.
  using NewJobHandler = std::function<void(std::u16string& sName, std::u16string& sUserName,
                                           std::u16string& sDescription, int32_t& sPages,
                                           int32_t& sSize, Date& dTimeSubmitted)>;
  EventToken NewJob(NewJobHandler handler);
  void NewJob(EventToken token) noexcept;

 private:
  moxPrintJobs();
  friend class moxPrintQueue;
  using KeyedCollection::Exists;

  // Binds the queue at `path` (an ADsPath without class word) and lists its jobs.
  void BindToQueue(const std::u16string& path);
  void m_Timer_Timer();
  // Replaces the queue handle when AutoUpdate goes to 0, so that whatever the provider keeps to
  // watch the queue ends with the old one. Never fails.
  void EndWatch() noexcept;
  // Raises NewJob for `job` unless it was announced before; never fails.
  void Announce(const std::shared_ptr<directory::IADsPrintJob>& job,
                std::u16string_view listed_name);
  void RaiseNewJob(const std::u16string& sName, const std::u16string& sUserName,
                   const std::u16string& sDescription, int32_t sPages, int32_t sSize,
                   Date dTimeSubmitted);

  std::shared_ptr<KestStdTimer> m_Timer;
  // Looked up for every job at every tick: a flat set keeps that close to a bare listing.
  NameSet announced_;
  std::shared_ptr<directory::IADsPrintQueue> queue_;
  int32_t period_ = 0;
  Event<std::u16string&, std::u16string&, std::u16string&, int32_t&, int32_t&, Date&> new_job_;
};

}  // namespace moxtrel
