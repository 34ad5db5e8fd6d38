#include "moxtrel/printing/print_job.h"

#include "moxtrel/directory/winnt_path.h"
#include "moxtrel/frame/text.h"

namespace moxtrel {

std::shared_ptr<moxPrintJob> moxPrintJob::Create() {
  return std::shared_ptr<moxPrintJob>(new moxPrintJob);
}

std::u16string moxPrintJob::Description() {
  return job_ ? job_->Description() : u"";
}

void moxPrintJob::Description(const std::u16string& sDescription) {
  if (!job_) return;
  job_->Description(Trim(sDescription));
  job_->SetInfo();
}

std::u16string moxPrintJob::HostPrintQueue() {
  if (!job_) return u"";
  return directory::NameFromPath(job_->HostPrintQueue());
}

std::u16string moxPrintJob::Name() {
  return job_ ? job_->Name() : u"";
}

int32_t moxPrintJob::Pages() {
  return job_ ? job_->TotalPages() : 0;
}

int32_t moxPrintJob::Priority() {
  return job_ ? job_->Priority() : 0;
}

void moxPrintJob::Priority(int32_t lPriority) {
  if (!job_ || lPriority < 1 || lPriority > 99) return;
  job_->Priority(lPriority);
  job_->SetInfo();
}

int32_t moxPrintJob::Size() {
  return job_ ? job_->Size() : 0;
}

Date moxPrintJob::StartTime() {
  return job_ ? job_->StartTime() : Date{};
}

void moxPrintJob::StartTime(Date dStartTime) {
  if (!job_) return;
  job_->StartTime(dStartTime);
  job_->SetInfo();
}

Date moxPrintJob::TimeSubmitted() {
  return job_ ? job_->TimeSubmitted() : Date{};
}

Date moxPrintJob::UntilTime() {
  return job_ ? job_->UntilTime() : Date{};
}

void moxPrintJob::UntilTime(Date dUntilTime) {
  if (!job_) return;
  job_->UntilTime(dUntilTime);
  job_->SetInfo();
}

std::u16string moxPrintJob::User() {
  return job_ ? job_->User() : u"";
}

}  // namespace moxtrel
