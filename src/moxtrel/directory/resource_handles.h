// Handles for the file service and its shares, print queues and their jobs, and services.
#pragma once

#include "moxtrel/directory/object_handle.h"

namespace moxtrel::directory {

class FileServiceHandle final : public ContainerHandle, public IADsFileService {
 public:
  using ContainerHandle::ContainerHandle;
};

class FileShareHandle final : public ObjectHandle, public IADsFileShare {
 public:
  using ObjectHandle::ObjectHandle;
  static constexpr std::u16string_view kI = u"IADsFileShare";

  int32_t CurrentUserCount() override { return ReadLong(u"CurrentUserCount"); }
  std::u16string Description() override { return ReadString(u"Description"); }
  void Description(std::u16string_view v) override { WriteString(u"Description", v); }
  std::u16string HostComputer() override { return ReadString(u"HostComputer"); }
  std::u16string Path() override { return ReadString(u"Path"); }
  void Path(std::u16string_view v) override { WriteString(u"Path", v); }
  int32_t MaxUserCount() override { return ReadLong(u"MaxUserCount"); }
  void MaxUserCount(int32_t v) override { Write(u"MaxUserCount", v); }
};

class PrintQueueHandle final : public ObjectHandle,
                               public IADsPrintQueue,
                               public IADsPrintQueueOperations {
 public:
  using ObjectHandle::ObjectHandle;
  static constexpr std::u16string_view kI = u"IADsPrintQueue";

  std::u16string PrinterPath() override { return ReadString(u"PrinterPath"); }
  std::u16string Model() override { return ReadString(u"Model"); }
  void Model(std::u16string_view v) override { WriteString(u"Model", v); }
  std::u16string Datatype() override { return ReadString(u"Datatype"); }
  void Datatype(std::u16string_view v) override { WriteString(u"Datatype", v); }
  std::u16string PrintProcessor() override { return ReadString(u"PrintProcessor"); }
  void PrintProcessor(std::u16string_view v) override { WriteString(u"PrintProcessor", v); }
  std::u16string Description() override { return ReadString(u"Description"); }
  void Description(std::u16string_view v) override { WriteString(u"Description", v); }
  std::u16string Location() override { return ReadString(u"Location"); }
  void Location(std::u16string_view v) override { WriteString(u"Location", v); }
  Date StartTime() override { return ReadDate(u"StartTime"); }
  void StartTime(Date v) override { Write(u"StartTime", v); }
  Date UntilTime() override { return ReadDate(u"UntilTime"); }
  void UntilTime(Date v) override { Write(u"UntilTime", v); }
  int32_t DefaultJobPriority() override { return ReadLong(u"DefaultJobPriority"); }
  void DefaultJobPriority(int32_t v) override { Write(u"DefaultJobPriority", v); }
  int32_t Priority() override { return ReadLong(u"Priority"); }
  void Priority(int32_t v) override { Write(u"Priority", v); }
  Variant PrintDevices() override { return Read(u"PrintDevices"); }
  std::shared_ptr<IADsCollection> PrintJobs() override;
};

// A queue's jobs in submission order; Remove deletes a job at once.
class JobCollection final : public IADsCollection {
 public:
  JobCollection(CorePtr core, NodePtr queue) : core_(std::move(core)), queue_(std::move(queue)) {}
  std::unique_ptr<IADsEnum> NewEnum() override;
  void Remove(std::u16string_view name) override;

 private:
  CorePtr core_;
  NodePtr queue_;
};

class PrintJobHandle final : public ObjectHandle,
                             public IADsPrintJob,
                             public IADsPrintJobOperations {
 public:
  using ObjectHandle::ObjectHandle;
  static constexpr std::u16string_view kI = u"IADsPrintJob";
  static constexpr std::u16string_view kOps = u"IADsPrintJobOperations";

  std::u16string HostPrintQueue() override { return ReadString(u"HostPrintQueue"); }
  std::u16string User() override { return ReadString(u"User"); }
  Date TimeSubmitted() override { return ReadDate(u"TimeSubmitted"); }
  int32_t TotalPages() override { return ReadLong(u"TotalPages"); }
  int32_t Size() override { return ReadLong(u"Size"); }
  std::u16string Description() override { return ReadString(u"Description"); }
  void Description(std::u16string_view v) override { WriteString(u"Description", v); }
  int32_t Priority() override { return ReadLong(u"Priority"); }
  void Priority(int32_t v) override { Write(u"Priority", v); }
  Date StartTime() override { return ReadDate(u"StartTime"); }
  void StartTime(Date v) override { Write(u"StartTime", v); }
  Date UntilTime() override { return ReadDate(u"UntilTime"); }
  void UntilTime(Date v) override { Write(u"UntilTime", v); }
  std::u16string Notify() override { return ReadString(u"Notify"); }
  void Notify(std::u16string_view v) override { WriteString(u"Notify", v); }

  int32_t Status() override { return ReadLong(u"Status"); }
  int32_t Position() override { return ReadLong(u"Position"); }
  void Position(int32_t v) override { Write(u"Position", v); }
  int32_t PagesPrinted() override { return ReadLong(u"PagesPrinted"); }
  void Pause() override;
  void Resume() override;
};

class ServiceHandle final : public ObjectHandle, public IADsService, public IADsServiceOperations {
 public:
  using ObjectHandle::ObjectHandle;
  static constexpr std::u16string_view kI = u"IADsService";
  static constexpr std::u16string_view kOps = u"IADsServiceOperations";

  std::u16string HostComputer() override { return ReadString(u"HostComputer"); }
  std::u16string DisplayName() override { return ReadString(u"DisplayName"); }
  void DisplayName(std::u16string_view v) override { WriteString(u"DisplayName", v); }
  int32_t ServiceType() override { return ReadLong(u"ServiceType"); }
  void ServiceType(int32_t v) override { Write(u"ServiceType", v); }
  int32_t StartType() override { return ReadLong(u"StartType"); }
  void StartType(int32_t v) override { Write(u"StartType", v); }
  std::u16string Path() override { return ReadString(u"Path"); }
  void Path(std::u16string_view v) override { WriteString(u"Path", v); }
  int32_t ErrorControl() override { return ReadLong(u"ErrorControl"); }
  void ErrorControl(int32_t v) override { Write(u"ErrorControl", v); }
  std::u16string LoadOrderGroup() override { return ReadString(u"LoadOrderGroup"); }
  void LoadOrderGroup(std::u16string_view v) override { WriteString(u"LoadOrderGroup", v); }
  std::u16string ServiceAccountName() override { return ReadString(u"ServiceAccountName"); }
  void ServiceAccountName(std::u16string_view v) override { WriteString(u"ServiceAccountName", v); }
  Variant Dependencies() override { return Read(u"Dependencies"); }
  void Dependencies(const Variant& v) override { Write(u"Dependencies", v); }

  int32_t Status() override { return ReadLong(u"Status"); }
  void Start() override;
  void Stop() override;
  void Pause() override;
  void Continue() override;
  void SetPassword(std::u16string_view password) override;

 private:
  // Moves the run state from one of `from` to `to`, or refuses naming the service and its state.
  void Control(std::u16string_view member, std::initializer_list<int32_t> from, int32_t to);
};

}  // namespace moxtrel::directory
