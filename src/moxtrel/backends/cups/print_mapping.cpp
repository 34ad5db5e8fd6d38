#include "moxtrel/backends/cups/print_mapping.h"

#include <algorithm>

#include "moxtrel/backends/cups/cups_connection.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/date.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::cups {
namespace {

constexpr double kEpochDays = 25569.0;  // 1 January 1970 as a Date

// Job status flags beyond the four the object model names.
constexpr int32_t kJobPaused = 0x1, kJobError = 0x2, kJobDeleting = 0x4, kJobSpooling = 0x8,
                  kJobPrinting = 0x10, kJobPrinted = 0x80, kJobDeleted = 0x100,
                  kJobComplete = 0x1000;
// Queue status flags.
constexpr int32_t kQueuePaused = 0x1, kQueueError = 0x2, kQueueOffline = 0x80,
                  kQueuePrinting = 0x400, kQueueNotAvailable = 0x1000;

Variant U(const std::string& s) {
  return Variant(FromUtf8(s));
}
bool Has(const std::vector<std::string>& reasons, std::string_view r) {
  return std::find(reasons.begin(), reasons.end(), r) != reasons.end();
}
Variant NoText(const auto&) {
  return Variant(u"");
}
Variant NoDate(const auto&) {
  return Variant(Date{});
}
Variant NoLong(const auto&) {
  return Variant(int32_t{0});
}

const PropertyRow<QueueInfo> kQueueRows[] = {
    {u"PrinterPath", u"`printer-uri-supported`", u"refused",
     [](const QueueInfo& q) { return U(q.uri); }, nullptr, IPP_TAG_URI},
    {u"Model", u"`printer-make-and-model`", u"refused",
     [](const QueueInfo& q) { return U(q.make_and_model); }, nullptr, IPP_TAG_TEXT},
    {u"Datatype", u"`document-format-default`", u"refused",
     [](const QueueInfo& q) { return U(q.document_format); }, nullptr, IPP_TAG_MIMETYPE},
    {u"PrintProcessor", u"none (CUPS chooses filters per document): `\"\"`", u"refused",
     NoText<QueueInfo>, nullptr, IPP_TAG_TEXT},
    {u"Description", u"`printer-info`", u"CUPS-Add-Modify-Printer",
     [](const QueueInfo& q) { return U(q.info); }, "printer-info", IPP_TAG_TEXT},
    {u"Location", u"`printer-location`", u"CUPS-Add-Modify-Printer",
     [](const QueueInfo& q) { return U(q.location); }, "printer-location", IPP_TAG_TEXT},
    {u"StartTime", u"none (a CUPS queue has no hours): empty date", u"refused", NoDate<QueueInfo>,
     nullptr, IPP_TAG_DATE},
    {u"UntilTime", u"none (a CUPS queue has no hours): empty date", u"refused", NoDate<QueueInfo>,
     nullptr, IPP_TAG_DATE},
    {u"DefaultJobPriority", u"`job-priority-default`",
     u"CUPS-Add-Modify-Printer; 1–100, else `errc::kInvalidArg` at the put",
     [](const QueueInfo& q) { return Variant(int32_t{q.default_priority}); },
     "job-priority-default", IPP_TAG_INTEGER},
    {u"Priority", u"none (CUPS does not rank queues): 0", u"refused", NoLong<QueueInfo>, nullptr,
     IPP_TAG_INTEGER},
    {u"PrintDevices", u"`device-uri`", u"CUPS-Add-Modify-Printer",
     [](const QueueInfo& q) { return U(q.device_uri); }, "device-uri", IPP_TAG_URI},
    {u"Status",
     u"flags: 0x1 paused (`printer-state` stopped or reason `paused`), 0x2 error (a reason ending "
     u"in `-error`), 0x80 offline (`offline-report`), 0x400 printing (`processing`), 0x1000 not "
     u"available (not accepting jobs)",
     u"refused", [](const QueueInfo& q) { return Variant(QueueStatus(q)); }, nullptr,
     IPP_TAG_INTEGER},
};

const PropertyRow<JobInfo> kJobRows[] = {
    {u"HostPrintQueue", u"the queue's path, from `job-printer-uri`", u"refused",
     [](const JobInfo& j) { return Variant(j.host_path); }, nullptr, IPP_TAG_URI},
    {u"User", u"`job-originating-user-name`", u"refused",
     [](const JobInfo& j) { return U(j.user); }, nullptr, IPP_TAG_NAME},
    {u"TimeSubmitted", u"`time-at-creation` (UTC)", u"refused",
     [](const JobInfo& j) {
       return Variant(j.created ? Date{kEpochDays + static_cast<double>(j.created) / 86400.0}
                                : Date{});
     },
     nullptr, IPP_TAG_INTEGER},
    {u"TotalPages", u"`job-impressions` (0 while unknown)", u"refused",
     [](const JobInfo& j) { return Variant(int32_t{j.impressions}); }, nullptr, IPP_TAG_INTEGER},
    {u"Size", u"`job-k-octets` × 1024", u"refused",
     [](const JobInfo& j) {
       return Variant(static_cast<int32_t>(std::min<long long>(j.k_octets * 1024LL, INT32_MAX)));
     },
     nullptr, IPP_TAG_INTEGER},
    {u"Description", u"`job-name`", u"Set-Job-Attributes",
     [](const JobInfo& j) { return U(j.title); }, "job-name", IPP_TAG_NAME},
    {u"Priority", u"`job-priority` (1–100)",
     u"Set-Job-Attributes; 1–100, else `errc::kInvalidArg` at the put (cupsd would store 0 as "
     u"sent)",
     [](const JobInfo& j) { return Variant(int32_t{j.priority}); }, "job-priority",
     IPP_TAG_INTEGER},
    {u"StartTime", u"none (`job-hold-until` is a hold, not a window): empty date", u"refused",
     NoDate<JobInfo>, nullptr, IPP_TAG_DATE},
    {u"UntilTime", u"none (`job-hold-until` is a hold, not a window): empty date", u"refused",
     NoDate<JobInfo>, nullptr, IPP_TAG_DATE},
    {u"Notify", u"none (CUPS notifies through subscriptions): `\"\"`", u"refused", NoText<JobInfo>,
     nullptr, IPP_TAG_NAME},
    {u"Status", u"flags from `job-state` and `job-state-reasons` (listed below)", u"—",
     [](const JobInfo& j) { return Variant(JobStatus(j)); }, nullptr, IPP_TAG_INTEGER},
    {u"Position", u"none (CUPS orders jobs itself): 0", u"refused", NoLong<JobInfo>, nullptr,
     IPP_TAG_INTEGER},
    {u"PagesPrinted", u"`job-impressions-completed`", u"—",
     [](const JobInfo& j) { return Variant(int32_t{j.impressions_completed}); }, nullptr,
     IPP_TAG_INTEGER},
};

template <class Info>
const PropertyRow<Info>* Find(std::span<const PropertyRow<Info>> rows, std::u16string_view name,
                              std::u16string_view noun) {
  for (const auto& row : rows) {
    if (EqualsNoCase(row.name, name)) return &row;
  }
  throw AutomationError(
      errc::kPropertyNotFound,
      u"A CUPS " + std::u16string(noun) + u" has no property \"" + std::u16string(name) + u"\"");
}

template <class Info>
const PropertyRow<Info>* Write(std::span<const PropertyRow<Info>> rows, const Info& info,
                               std::u16string_view name, const Variant& value,
                               std::u16string_view noun, const std::u16string& where) {
  const auto* row = Find(rows, name, noun);
  if (row->attribute) {
    if (row->tag != IPP_TAG_INTEGER) {
      CheckAttributeText(row->name, where, row->attribute, value.ToString());
    } else if (const int32_t n = value.ToLong(); n < 1 || n > 100) {
      // Both integer writes are priorities; cupsd would store one outside IPP's range as sent.
      throw AutomationError(errc::kInvalidArg, u"The property \"" + std::u16string(row->name) +
                                                   u"\" of " + where +
                                                   u" cannot be written: a priority is from 1 "
                                                   u"to 100");
    }
    return row;
  }
  if (row->get(info) == value) return nullptr;
  std::u16string source(row->source);
  std::erase(source, u'`');
  throw AutomationError(errc::kNotSupported,
                        u"The property \"" + std::u16string(row->name) + u"\" of " + where +
                            u" cannot be written: the CUPS backend has no place for it (" + source +
                            u")");
}

std::string Text(ipp_t* ipp, const char* name) {
  ipp_attribute_t* a = ippFindAttribute(ipp, name, IPP_TAG_ZERO);
  const char* s = a ? ippGetString(a, 0, nullptr) : nullptr;
  return s ? s : "";
}
std::string StringOf(ipp_attribute_t* a) {
  const char* s = ippGetString(a, 0, nullptr);
  return s ? s : "";
}
int Integer(ipp_attribute_t* a, int fallback) {
  return a ? ippGetInteger(a, 0) : fallback;
}
std::vector<std::string> Keywords(ipp_attribute_t* a) {
  std::vector<std::string> out;
  for (int i = 0, n = a ? ippGetCount(a) : 0; i < n; ++i) {
    if (const char* s = ippGetString(a, i, nullptr)) out.emplace_back(s);
  }
  return out;
}

}  // namespace

const char* const kQueueAttributes[] = {"printer-name",
                                        "printer-info",
                                        "printer-location",
                                        "printer-make-and-model",
                                        "device-uri",
                                        "printer-uri-supported",
                                        "printer-state",
                                        "printer-state-reasons",
                                        "printer-is-accepting-jobs",
                                        "job-priority-default",
                                        "document-format-default"};
const int kQueueAttributeCount = sizeof kQueueAttributes / sizeof kQueueAttributes[0];
const char* const kJobAttributes[] = {
    "job-id",       "job-printer-uri",   "job-originating-user-name", "job-name",
    "job-k-octets", "job-impressions",   "job-impressions-completed", "job-priority",
    "job-state",    "job-state-reasons", "time-at-creation"};
const int kJobAttributeCount = sizeof kJobAttributes / sizeof kJobAttributes[0];
// job-printer-uri is left out: the listing is of one queue, which its caller knows.
const char* const kJobListAttributes[] = {"job-id", "job-originating-user-name", "job-name",
                                          "job-state", "job-state-reasons"};
const int kJobListAttributeCount = sizeof kJobListAttributes / sizeof kJobListAttributes[0];

bool NeedsWholeJob(std::u16string_view name) {
  static constexpr std::u16string_view kWhole[] = {u"TimeSubmitted", u"TotalPages", u"Size",
                                                   u"Priority", u"PagesPrinted"};
  return std::any_of(std::begin(kWhole), std::end(kWhole),
                     [&](std::u16string_view w) { return EqualsNoCase(w, name); });
}

std::span<const PropertyRow<QueueInfo>> QueueProperties() noexcept {
  return kQueueRows;
}
std::span<const PropertyRow<JobInfo>> JobProperties() noexcept {
  return kJobRows;
}

QueueInfo ParseQueue(ipp_t* r) {
  QueueInfo q;
  q.name = Text(r, "printer-name");
  q.info = Text(r, "printer-info");
  q.location = Text(r, "printer-location");
  q.make_and_model = Text(r, "printer-make-and-model");
  q.device_uri = Text(r, "device-uri");
  q.uri = Text(r, "printer-uri-supported");
  q.document_format = Text(r, "document-format-default");
  q.state = Integer(ippFindAttribute(r, "printer-state", IPP_TAG_ENUM), 3);
  q.reasons = Keywords(ippFindAttribute(r, "printer-state-reasons", IPP_TAG_KEYWORD));
  ipp_attribute_t* accepting = ippFindAttribute(r, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
  q.accepting = !accepting || ippGetBoolean(accepting, 0);
  q.default_priority = Integer(ippFindAttribute(r, "job-priority-default", IPP_TAG_INTEGER), 50);
  return q;
}

std::vector<JobInfo> ParseJobs(ipp_t* r) {
  std::vector<JobInfo> jobs;
  JobInfo j;
  bool in_job = false;
  auto flush = [&] {
    if (in_job && j.id > 0) {
      j.status = JobStatusOf(j);
      j.name = FromUtf8(std::to_string(j.id));
      jobs.push_back(std::move(j));
    }
    j = JobInfo{};
    in_job = false;
  };
  for (ipp_attribute_t* a = ippFirstAttribute(r); a; a = ippNextAttribute(r)) {
    const char* name = ippGetName(a);
    if (!name || ippGetGroupTag(a) != IPP_TAG_JOB) {
      flush();
      continue;
    }
    in_job = true;
    const std::string_view n = name;
    if (n == "job-id")
      j.id = ippGetInteger(a, 0);
    else if (n == "job-printer-uri")
      j.queue = QueueFromUri(StringOf(a));
    else if (n == "job-originating-user-name")
      j.user = StringOf(a);
    else if (n == "job-name")
      j.title = StringOf(a);
    else if (n == "job-k-octets")
      j.k_octets = ippGetInteger(a, 0);
    else if (n == "job-impressions")
      j.impressions = ippGetInteger(a, 0);
    else if (n == "job-impressions-completed")
      j.impressions_completed = ippGetInteger(a, 0);
    else if (n == "job-priority")
      j.priority = ippGetInteger(a, 0);
    else if (n == "job-state")
      j.state = ippGetInteger(a, 0);
    else if (n == "job-state-reasons")
      j.reasons = Keywords(a);
    else if (n == "time-at-creation")
      j.created = ippGetInteger(a, 0);
  }
  flush();
  return jobs;
}

Variant ReadQueueProperty(const QueueInfo& q, std::u16string_view name) {
  return Find(QueueProperties(), name, u"print queue")->get(q);
}
Variant ReadJobProperty(const JobInfo& j, std::u16string_view name) {
  return Find(JobProperties(), name, u"print job")->get(j);
}

const PropertyRow<QueueInfo>* QueueWrite(const QueueInfo& q, std::u16string_view name,
                                         const Variant& value) {
  return Write(QueueProperties(), q, name, value, u"print queue", q.where);
}
const PropertyRow<JobInfo>* JobWrite(const JobInfo& j, std::u16string_view name,
                                     const Variant& value) {
  return Write(JobProperties(), j, name, value, u"print job",
               j.host_path + u"/" + FromUtf8(std::to_string(j.id)));
}

void AddWrite(ipp_t* request, ipp_tag_t group, const char* attribute, ipp_tag_t tag,
              const Variant& value) {
  if (tag == IPP_TAG_INTEGER) {
    ippAddInteger(request, group, tag, attribute, value.ToLong());
  } else {
    ippAddString(request, group, tag, attribute, nullptr, ToUtf8(value.ToString()).c_str());
  }
}

int32_t JobStatusOf(const JobInfo& j) {
  if (Has(j.reasons, "job-incoming")) return kJobSpooling;
  switch (j.state) {
    case IPP_JSTATE_HELD:
      return kJobPaused;
    case IPP_JSTATE_PROCESSING:
      return kJobPrinting | (Has(j.reasons, "processing-to-stop-point") ? kJobDeleting : 0);
    case IPP_JSTATE_STOPPED:
      return kJobError;
    case IPP_JSTATE_CANCELED:
      return kJobDeleted;
    case IPP_JSTATE_ABORTED:
      return kJobError | kJobDeleted;
    case IPP_JSTATE_COMPLETED:
      return kJobPrinted | kJobComplete;
    default:
      return 0;
  }
}

int32_t QueueStatus(const QueueInfo& q) {
  int32_t s = 0;
  if (q.state == IPP_PSTATE_STOPPED || Has(q.reasons, "paused")) s |= kQueuePaused;
  if (q.state == IPP_PSTATE_PROCESSING) s |= kQueuePrinting;
  if (Has(q.reasons, "offline-report")) s |= kQueueOffline;
  for (const auto& r : q.reasons) {
    if (r.size() > 6 && r.compare(r.size() - 6, 6, "-error") == 0) s |= kQueueError;
  }
  if (!q.accepting) s |= kQueueNotAvailable;
  return s;
}

bool Finished(const JobInfo& j) {
  return j.state >= IPP_JSTATE_CANCELED;
}

}  // namespace moxtrel::backends::cups
