#include "moxtrel/backends/cups/cups_handles.h"

#include "moxtrel/directory/snapshot_enum.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::cups {
using directory::ObjectKind;

std::shared_ptr<directory::IADs> MakeCupsHandle(const ContextPtr& ctx, const Target& target) {
  switch (target.kind) {
    case ObjectKind::kPrintQueue:
      return std::make_shared<CupsQueue>(ctx, target.queue);
    case ObjectKind::kPrintJob:
      return std::make_shared<CupsJob>(
          ctx, std::make_shared<const JobInfo>(ctx->Job(target.queue, target.job)));
    default:
      return std::make_shared<CupsComputer>(ctx);
  }
}

// The computer.

std::unique_ptr<directory::IADsEnum> CupsComputer::NewEnum() {
  std::vector<std::string> names;
  if (Lists(ObjectKind::kPrintQueue)) {
    CupsConnection& c = ctx_->connection();
    IppPtr r = c.Request(CUPS_GET_PRINTERS);
    ippAddString(r.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "printer-name");
    IppPtr response =
        c.Send(std::move(r), "/", u"Listing the print queues of " + ctx_->ComputerPath());
    // A server without queues answers not-found.
    if (ippGetStatusCode(response.get()) != IPP_STATUS_ERROR_NOT_FOUND) {
      c.Check(response.get(), u"Listing the print queues of " + ctx_->ComputerPath());
      for (ipp_attribute_t* a = ippFindAttribute(response.get(), "printer-name", IPP_TAG_NAME); a;
           a = ippFindNextAttribute(response.get(), "printer-name", IPP_TAG_NAME)) {
        names.emplace_back(ippGetString(a, 0, nullptr));
      }
    }
  }
  // Queue handles are made as the walk reaches them: each one starts a job watch.
  return directory::EnumSnapshot(std::move(names), [ctx = ctx_](std::string&& name) {
    return std::make_shared<CupsQueue>(ctx, std::move(name));
  });
}

void CupsComputer::Delete(std::u16string_view class_word, std::u16string_view name) {
  auto kind = directory::KindFromClassWord(class_word);
  if (!kind || *kind != ObjectKind::kPrintQueue) {
    served().Refuse(ADsPath(), u"Delete of a " + std::u16string(class_word));
  }
  CheckQueueName(name);
  const std::string queue = ctx_->QueueName(ToUtf8(name));
  CupsConnection& c = ctx_->connection();
  c.Do(c.Request(CUPS_DELETE_PRINTER, queue), "/admin/",
       u"Deleting the print queue " + ctx_->QueuePath(queue));
}

// A queue.

Variant CupsQueue::Get(std::u16string_view name) {
  return ReadQueueProperty(ctx_->Queue(name_), name);
}

void CupsQueue::Put(std::u16string_view name, const Variant& value) {
  if (const auto* row = QueueWrite(ctx_->Queue(name_), name, value)) {
    if (row->tag == IPP_TAG_INTEGER) value.ToLong();  // a type mismatch fails now, not at SetInfo
    staged_.emplace_back(row, value);
  }
}

void CupsQueue::SetInfo() {
  if (staged_.empty()) return;
  // Whatever the server answers, nothing stays staged: a refused change must not ride along
  // with the next one. Gets read the server, so they show what it holds.
  const auto staged = std::move(staged_);
  staged_.clear();
  // CUPS-Add-Modify-Printer creates a queue that does not exist: make sure this one still does.
  ctx_->QueueName(name_);
  CupsConnection& c = ctx_->connection();
  IppPtr r = c.Request(CUPS_ADD_MODIFY_PRINTER, name_);
  for (const auto& [row, value] : staged) {
    AddWrite(r.get(), IPP_TAG_PRINTER, row->attribute, row->tag, value);
  }
  c.Do(std::move(r), "/admin/", u"Saving the print queue " + ADsPath());
}

std::shared_ptr<directory::IADsCollection> CupsQueue::PrintJobs() {
  return std::make_shared<CupsJobs>(ctx_, name_, watch_);
}

void CupsQueue::Operation(ipp_op_t op, std::u16string_view what) {
  CupsConnection& c = ctx_->connection();
  c.Do(c.Request(op, name_), "/admin/", std::u16string(what) + u" of the print queue " + ADsPath());
}

void CupsQueue::Pause() {
  Operation(IPP_OP_PAUSE_PRINTER, u"Pause");
}
void CupsQueue::Resume() {
  Operation(IPP_OP_RESUME_PRINTER, u"Resume");
}
void CupsQueue::Purge() {
  Operation(IPP_OP_PURGE_JOBS, u"Purge");
}

// A queue's jobs.

std::unique_ptr<directory::IADsEnum> CupsJobs::NewEnum() {
  // The jobs as the watch last published them.
  return directory::EnumSnapshot(*watch_->Jobs(), [ctx = ctx_, watch = watch_](JobPtr&& job) {
    return std::make_shared<CupsJob>(ctx, std::move(job), watch);
  });
}

void CupsJobs::Remove(std::u16string_view name) {
  const int id = JobIdFromName(name);
  // cupsd cancels a job by its id whatever queue the request names: only a job of this queue.
  ctx_->Job(queue_, id);
  CupsConnection& c = ctx_->connection();
  IppPtr r = c.Request(IPP_OP_CANCEL_JOB);
  ippAddString(r.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, c.JobUri(id).c_str());
  c.Do(std::move(r), "/jobs/",
       u"Cancelling the print job " + ctx_->QueuePath(queue_) + u"/" + std::u16string(name));
  watch_->Reread(id);
}

// A job.

Variant CupsJob::Get(std::u16string_view name) {
  if (!job_->whole && NeedsWholeJob(name)) {
    // A listing brings what a walk reads; the rest of the job is read on first use.
    job_ = watch_ ? watch_->Whole(job_)
                  : std::make_shared<const JobInfo>(ctx_->Job(job_->queue, job_->id, true));
  }
  return ReadJobProperty(*job_, name);
}

void CupsJob::Put(std::u16string_view name, const Variant& value) {
  if (const auto* row = JobWrite(*job_, name, value)) {
    if (row->tag == IPP_TAG_INTEGER) value.ToLong();
    staged_.emplace_back(row, value);
  }
}

void CupsJob::SetInfo() {
  if (staged_.empty()) return;
  CupsConnection& c = ctx_->connection();
  IppPtr r = c.Request(IPP_OP_SET_JOB_ATTRIBUTES, job_->queue);
  ippAddInteger(r.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job_->id);
  for (const auto& [row, value] : staged_) {
    AddWrite(r.get(), IPP_TAG_JOB, row->attribute, row->tag, value);
  }
  staged_.clear();
  try {
    c.Do(std::move(r), "/jobs/", u"Saving the print job " + ADsPath());
  } catch (const AutomationError&) {
    // Refused: the handle shows what the server holds, not what it was last read as.
    try {
      Reread();
    } catch (const AutomationError&) {
    }
    throw;
  }
  Reread();
}

void CupsJob::Operation(ipp_op_t op, std::u16string_view what) {
  CupsConnection& c = ctx_->connection();
  IppPtr r = c.Request(op, job_->queue);
  ippAddInteger(r.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job_->id);
  c.Do(std::move(r), "/jobs/", std::u16string(what) + u" of the print job " + ADsPath());
  Reread();
}

void CupsJob::Reread() {
  job_ = std::make_shared<const JobInfo>(ctx_->Job(job_->queue, job_->id));
  if (watch_) watch_->Reread(job_->id);
}

}  // namespace moxtrel::backends::cups
