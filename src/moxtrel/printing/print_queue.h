// moxPrintQueue: a view of one print queue of a server. Find binds it; every get then reads
// the directory and every put writes and commits at once. Its jobs are in PrintJobs.
//
//   auto queue = moxPrintQueue::Create();
//   if (queue->Find(u"LaserJet", u"PRINTSRV")) {
//     queue->Location(u"Second floor");          // written and committed
//     int32_t waiting = queue->PrintJobs()->Count();
//   }
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/date.h"
#include "moxtrel/frame/object.h"
#include "moxtrel/printing/print_jobs.h"

namespace moxtrel {

class moxPrintQueues;

class moxPrintQueue final : public AutomationObject {
 public:
  static std::shared_ptr<moxPrintQueue> Create();
  std::u16string_view TypeName() const noexcept override { return u"moxPrintQueue"; }

  // The jobs of the last successful bind; empty while unbound.
  std::shared_ptr<moxPrintJobs> PrintJobs() const { return PrintJobs_; }
  void PrintJobs(std::shared_ptr<moxPrintJobs> value) { PrintJobs_ = std::move(value); }

  std::u16string DataType();
  void DataType(const std::u16string& sDataType);
  int32_t DefaultJobPriority();
  void DefaultJobPriority(int32_t lDefaultJobPriority);
  std::u16string Description();
  void Description(const std::u16string& sDescription);
  bool Exists() const noexcept { return bound_; }
  std::u16string Model();
  void Model(const std::u16string& sModel);
  std::u16string Location();
  void Location(const std::u16string& sLocation);
  // Bound: the directory's name of the queue; unbound: the name given to Find.
  std::u16string Name();
  std::u16string Path();
  std::u16string PrintDevices();
  std::u16string PrintProcessor();
  void PrintProcessor(const std::u16string& sPrintProcessor);
  int32_t Priority();
  // Values outside 1..99 are ignored.
  void Priority(int32_t lPriority);
  // The server given to Find, or the parent path of a listed queue; never reads the directory.
  std::u16string Server() const { return server_; }
  Date StartTime();
  void StartTime(Date dStartTime);
  Date UntilTime();
  void UntilTime(Date dUntilTime);

  // Binds the queue sName of server sServer; false (never an error) when it cannot.
  bool Find(const std::u16string& sName, const std::u16string& sServer);

 private:
  moxPrintQueue() = default;
  friend class moxPrintQueues;

  // Binds the queue at `path` (an ADsPath without class word); reports nothing.
  void BindFromPath(const std::u16string& path);
  void Unbind() noexcept;

  std::shared_ptr<moxPrintJobs> PrintJobs_;
  std::shared_ptr<directory::IADsPrintQueue> queue_;
  std::u16string server_;
  std::u16string name_;
  bool bound_ = false;
};

}  // namespace moxtrel
