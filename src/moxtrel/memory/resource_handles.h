// Handles for the file service and its shares, print queues and their jobs, and services.
#pragma once

#include "moxtrel/directory/typed_properties.h"
#include "moxtrel/memory/object_handle.h"

namespace moxtrel::directory {

class FileServiceHandle final : public ContainerHandle, public IADsFileService {
 public:
  using ContainerHandle::ContainerHandle;
};

class FileShareHandle final : public ObjectHandle, public FileShareProperties {
 public:
  using ObjectHandle::ObjectHandle;
  static constexpr std::u16string_view kI = u"IADsFileShare";
};

class PrintQueueHandle final : public ObjectHandle,
                               public PrintQueueProperties,
                               public IADsPrintQueueOperations {
 public:
  using ObjectHandle::ObjectHandle;
  static constexpr std::u16string_view kI = u"IADsPrintQueue";

  std::shared_ptr<IADsCollection> PrintJobs() override;
  int32_t Status() override { return ReadLong(u"Status"); }
  void Pause() override;
  void Resume() override;
  void Purge() override;
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

class PrintJobHandle final : public ObjectHandle, public PrintJobProperties {
 public:
  using ObjectHandle::ObjectHandle;
  static constexpr std::u16string_view kI = u"IADsPrintJob";
  static constexpr std::u16string_view kOps = u"IADsPrintJobOperations";

  void Pause() override;
  void Resume() override;
};

class ServiceHandle final : public ObjectHandle, public ServiceProperties {
 public:
  using ObjectHandle::ObjectHandle;
  static constexpr std::u16string_view kI = u"IADsService";
  static constexpr std::u16string_view kOps = u"IADsServiceOperations";

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
