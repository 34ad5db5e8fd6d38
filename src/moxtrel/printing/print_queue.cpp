#include "moxtrel/printing/print_queue.h"

#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"

namespace moxtrel {

std::shared_ptr<moxPrintQueue> moxPrintQueue::Create() {
  return std::shared_ptr<moxPrintQueue>(new moxPrintQueue);
}

void moxPrintQueue::Unbind() noexcept {
  PrintJobs_.reset();
  queue_.reset();
  bound_ = false;
}

bool moxPrintQueue::Find(const std::u16string& sName, const std::u16string& sServer) {
  name_ = Trim(sName);
  server_ = Trim(sServer);
  if (name_.empty() || server_.empty()) return false;
  try {
    queue_ = directory::Bind<directory::IADsPrintQueue>(directory::QueuePath(server_, name_));
    PrintJobs_ = moxPrintJobs::Create();
    PrintJobs_->BindToQueue(queue_->ADsPath());
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxPrintQueue.Find", e);
    Unbind();
    return false;
  }
  bound_ = true;
  return true;
}

void moxPrintQueue::BindFromPath(const std::u16string& path) {
  try {
    queue_ = directory::Bind<directory::IADsPrintQueue>(
        directory::WithClass(path, directory::ObjectKind::kPrintQueue));
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxPrintQueue.BindFromPath", e);
    Unbind();
    return;
  }
  // Once the queue is bound the object counts as bound; the rest may fail quietly.
  try {
    PrintJobs_ = moxPrintJobs::Create();
    PrintJobs_->BindToQueue(queue_->ADsPath());
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxPrintQueue.BindFromPath", e);
  }
  try {
    server_ = directory::NameFromPath(queue_->Parent());
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxPrintQueue.BindFromPath", e);
  }
  bound_ = true;
}

std::u16string moxPrintQueue::DataType() {
  return bound_ ? queue_->Datatype() : u"";
}

void moxPrintQueue::DataType(const std::u16string& sDataType) {
  if (!bound_) return;
  queue_->Datatype(Trim(sDataType));
  queue_->SetInfo();
}

int32_t moxPrintQueue::DefaultJobPriority() {
  return bound_ ? queue_->DefaultJobPriority() : 0;
}

void moxPrintQueue::DefaultJobPriority(int32_t lDefaultJobPriority) {
  if (!bound_) return;
  queue_->DefaultJobPriority(lDefaultJobPriority);
  queue_->SetInfo();
}

std::u16string moxPrintQueue::Description() {
  return bound_ ? queue_->Description() : u"";
}

void moxPrintQueue::Description(const std::u16string& sDescription) {
  if (!bound_) return;
  queue_->Description(Trim(sDescription));
  queue_->SetInfo();
}

std::u16string moxPrintQueue::Model() {
  return bound_ ? queue_->Model() : u"";
}

void moxPrintQueue::Model(const std::u16string& sModel) {
  if (!bound_) return;
  queue_->Model(Trim(sModel));
  queue_->SetInfo();
}

std::u16string moxPrintQueue::Location() {
  return bound_ ? queue_->Location() : u"";
}

void moxPrintQueue::Location(const std::u16string& sLocation) {
  if (!bound_) return;
  queue_->Location(Trim(sLocation));
  queue_->SetInfo();
}

std::u16string moxPrintQueue::Name() {
  return bound_ ? queue_->Name() : name_;
}

std::u16string moxPrintQueue::Path() {
  return bound_ ? queue_->PrinterPath() : u"";
}

std::u16string moxPrintQueue::PrintDevices() {
  return bound_ ? queue_->PrintDevices().ToString() : u"";
}

std::u16string moxPrintQueue::PrintProcessor() {
  return bound_ ? queue_->PrintProcessor() : u"";
}

void moxPrintQueue::PrintProcessor(const std::u16string& sPrintProcessor) {
  if (!bound_) return;
  queue_->PrintProcessor(Trim(sPrintProcessor));
  queue_->SetInfo();
}

int32_t moxPrintQueue::Priority() {
  return bound_ ? queue_->Priority() : 0;
}

void moxPrintQueue::Priority(int32_t lPriority) {
  if (!bound_ || lPriority < 1 || lPriority > 99) return;
  queue_->Priority(lPriority);
  queue_->SetInfo();
}

Date moxPrintQueue::StartTime() {
  return bound_ ? queue_->StartTime() : Date{};
}

void moxPrintQueue::StartTime(Date dStartTime) {
  if (!bound_) return;
  queue_->StartTime(dStartTime);
  queue_->SetInfo();
}

Date moxPrintQueue::UntilTime() {
  return bound_ ? queue_->UntilTime() : Date{};
}

void moxPrintQueue::UntilTime(Date dUntilTime) {
  if (!bound_) return;
  queue_->UntilTime(dUntilTime);
  queue_->SetInfo();
}

}  // namespace moxtrel
