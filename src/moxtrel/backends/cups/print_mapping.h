// The mapping between the object model's printing properties and CUPS attributes: ONE table per
// kind of object, row for row as docs/printing.md shows it. A row names the property as
// IADs.Get/Put and the typed properties name it, says which IPP attribute holds it, reads it
// from what the server reported, and names the attribute a write sends (none: CUPS has no place
// for it, so it reads as its empty value and a write of any other value is refused).
//
//   QueueInfo q = ParseQueue(response);                  // from Get-Printer-Attributes
//   Variant where = ReadQueueProperty(q, u"Location");   // printer-location
#pragma once

#include <cups/cups.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/frame/variant.h"

namespace moxtrel::backends::cups {

// One queue as Get-Printer-Attributes reports it.
struct QueueInfo {
  std::string name, info, location, make_and_model, device_uri, uri, document_format;
  int state = 3;  // printer-state: 3 idle, 4 processing, 5 stopped
  std::vector<std::string> reasons;
  bool accepting = true;
  int default_priority = 50;
  std::u16string where;  // the queue's path, for messages
};

// One job as Get-Jobs or Get-Job-Attributes reports it.
struct JobInfo {
  int id = 0;
  std::string queue;  // from job-printer-uri
  std::string user, title;
  int k_octets = 0, impressions = 0, impressions_completed = 0, priority = 50;
  int state = 3;  // job-state: 3 pending ... 9 completed
  std::vector<std::string> reasons;
  long long created = 0;     // time-at-creation, seconds since 1970
  std::u16string host_path;  // the queue's ADsPath, set by whoever parsed it
  // Worked out once by ParseJobs, since every watch tick reads them: JobStatus, and the job's
  // name (its id in decimal).
  int32_t status = 0;
  std::u16string name;
  // Every attribute of kJobAttributes was asked for; false: a first listing, which brings only
  // kJobListAttributes (see NeedsWholeJob).
  bool whole = false;
};

template <class Info>
struct PropertyRow {
  std::u16string_view name;
  // The row as docs/printing.md shows it (Markdown): the IPP attribute (or why CUPS has
  // none), and what a write sends.
  std::u16string_view source;
  std::u16string_view write;
  Variant (*get)(const Info&);
  const char* attribute;  // what a write sends; nullptr: writes refused
  ipp_tag_t tag;
};

std::span<const PropertyRow<QueueInfo>> QueueProperties() noexcept;
std::span<const PropertyRow<JobInfo>> JobProperties() noexcept;

// The attributes a listing asks for, so that every row can be read from it.
extern const char* const kQueueAttributes[];
extern const int kQueueAttributeCount;
extern const char* const kJobAttributes[];
extern const int kJobAttributeCount;
// What a plain listing of a queue asks for: what a walk of its jobs reads (name, user,
// description, status). Asking cupsd for every attribute of ten thousand jobs costs it about
// one and a half times as much as this.
extern const char* const kJobListAttributes[];
extern const int kJobListAttributeCount;
// Whether reading the job property `name` needs more than kJobListAttributes brings.
bool NeedsWholeJob(std::u16string_view name);

QueueInfo ParseQueue(ipp_t* response);
// Every job group of a Get-Jobs response, or the one of Get-Job-Attributes.
std::vector<JobInfo> ParseJobs(ipp_t* response);

// errc::kPropertyNotFound for a name no row holds.
Variant ReadQueueProperty(const QueueInfo& q, std::u16string_view name);
Variant ReadJobProperty(const JobInfo& j, std::u16string_view name);
// The row a write goes to after checking it can: errc::kNotSupported naming the property when
// CUPS has no place for it (unless `value` equals what it reads, which changes nothing: then
// nullptr), errc::kTypeMismatch for a value of the wrong type.
const PropertyRow<QueueInfo>* QueueWrite(const QueueInfo& q, std::u16string_view name,
                                         const Variant& value);
const PropertyRow<JobInfo>* JobWrite(const JobInfo& j, std::u16string_view name,
                                     const Variant& value);
// Adds a checked write to a request in `group`.
void AddWrite(ipp_t* request, ipp_tag_t group, const char* attribute, ipp_tag_t tag,
              const Variant& value);

// Job status flags from job-state and job-state-reasons; spooling (8) alone while the job
// still receives its data (job-incoming). JobStatus gives what ParseJobs worked out.
int32_t JobStatusOf(const JobInfo& j);
inline int32_t JobStatus(const JobInfo& j) {
  return j.status;
}
// Queue status flags from printer-state and printer-state-reasons.
int32_t QueueStatus(const QueueInfo& q);
bool Finished(const JobInfo& j);  // canceled, aborted or completed

}  // namespace moxtrel::backends::cups
