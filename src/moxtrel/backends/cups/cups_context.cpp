#include "moxtrel/backends/cups/cups_context.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::cups {

using directory::ObjectKind;

CupsContext::CupsContext(CupsOptions options, std::string host, int port)
    : options_(std::move(options)),
      connection_(std::move(host), port, options_.timeout,
                  options_.user.empty() ? cupsUser() : options_.user),
      address_(options_.domain, options_.computer) {}

std::u16string CupsContext::QueuePath(std::string_view queue) const {
  return address_.ChildPath(FromUtf8(queue));
}

void CupsContext::Foreign(std::u16string_view path, std::u16string_view why) const {
  address_.NotServed(path, why, u"the CUPS backend", u"the print queues and jobs");
}

Target CupsContext::Resolve(std::u16string_view path) {
  directory::ParsedPath parsed = directory::ParsePath(path);
  const auto& c = parsed.components;
  const std::size_t base = address_.Match(c);
  if (base == 0) Foreign(path, u"it names another computer or domain");
  const std::size_t depth = c.size() - base;
  const ObjectKind want = depth == 0   ? ObjectKind::kComputer
                          : depth == 1 ? ObjectKind::kPrintQueue
                                       : ObjectKind::kPrintJob;
  if (depth > 2 || (parsed.kind && *parsed.kind != want)) {
    Foreign(path, parsed.kind ? u"it names a " + std::u16string(directory::KindNoun(*parsed.kind))
                              : u"it names nothing a print server holds");
  }
  if (depth == 0) return {ObjectKind::kComputer, "", 0};
  CheckQueueName(c[base]);
  if (depth == 1) {
    // The server's spelling: CUPS compares queue names without regard to case.
    return {ObjectKind::kPrintQueue, QueueName(ToUtf8(c[base])), 0};
  }
  const int id = JobIdFromName(c[base + 1]);
  JobInfo job = Job(ToUtf8(c[base]), id);
  return {ObjectKind::kPrintJob, job.queue, id};
}

QueueInfo CupsContext::Queue(std::string_view queue) {
  const std::u16string where = QueuePath(queue);
  IppPtr r = connection_.Request(IPP_OP_GET_PRINTER_ATTRIBUTES, queue);
  ippAddStrings(r.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                kQueueAttributeCount, nullptr, kQueueAttributes);
  IppPtr response = connection_.Do(std::move(r), "/", u"Reading the print queue " + where);
  QueueInfo q = ParseQueue(response.get());
  CheckAnsweredFor(queue, q.name, u"Reading the print queue " + where);
  q.where = QueuePath(q.name);
  return q;
}

std::string CupsContext::QueueName(std::string_view queue) {
  const std::u16string what = u"Reading the print queue " + QueuePath(queue);
  IppPtr r = connection_.Request(IPP_OP_GET_PRINTER_ATTRIBUTES, queue);
  ippAddString(r.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "printer-name");
  IppPtr response = connection_.Do(std::move(r), "/", what);
  ipp_attribute_t* a = ippFindAttribute(response.get(), "printer-name", IPP_TAG_NAME);
  const char* name = a ? ippGetString(a, 0, nullptr) : nullptr;
  std::string answered = name ? name : "";
  CheckAnsweredFor(queue, answered, what);
  return answered;
}

JobInfo CupsContext::Job(std::string_view queue, int id, bool finished_too) {
  const std::u16string where = QueuePath(queue) + u"/" + FromUtf8(std::to_string(id));
  IppPtr r = connection_.Request(IPP_OP_GET_JOB_ATTRIBUTES, queue);
  ippAddInteger(r.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", id);
  ippAddStrings(r.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                kJobAttributeCount, nullptr, kJobAttributes);
  IppPtr response = connection_.Do(std::move(r), "/", u"Reading the print job " + where);
  auto jobs = ParseJobs(response.get());
  if (jobs.empty() || !EqualsNoCase(FromUtf8(jobs[0].queue), FromUtf8(queue)) ||
      (Finished(jobs[0]) && !finished_too)) {
    throw AutomationError(errc::kNoSuchObject, u"There is no print job " + where +
                                                   u": the queue holds no " +
                                                   (finished_too ? u"" : u"unfinished ") + u"job " +
                                                   FromUtf8(std::to_string(id)));
  }
  jobs[0].host_path = QueuePath(jobs[0].queue);
  jobs[0].whole = true;
  return jobs[0];
}

std::vector<JobInfo> CupsContext::Jobs(std::string_view queue, bool whole) {
  IppPtr r = connection_.Request(IPP_OP_GET_JOBS, queue);
  ippAddStrings(r.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                whole ? kJobAttributeCount : kJobListAttributeCount, nullptr,
                whole ? kJobAttributes : kJobListAttributes);
  IppPtr response =
      connection_.Do(std::move(r), "/", u"Listing the jobs of the print queue " + QueuePath(queue));
  auto jobs = ParseJobs(response.get());
  const std::u16string path = QueuePath(queue);
  for (auto& j : jobs) {
    // Get-Jobs of a queue answers with that queue's jobs only.
    if (!whole) j.queue = queue;
    j.host_path = path;
    j.whole = whole;
  }
  return jobs;
}

}  // namespace moxtrel::backends::cups
