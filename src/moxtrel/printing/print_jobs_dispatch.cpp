// _moxPrintJobs in slot order, and NewJob delivered to late-bound sinks.
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/class_bindings.h"
#include "moxtrel/printing/print_job.h"
#include "moxtrel/printing/print_jobs.h"

namespace moxtrel::typelib {
namespace {

// Takes back what a sink wrote, where it still converts; anything else keeps the old value.
template <class T>
void TakeBack(const Variant& value, T& target) {
  try {
    target = FromVariant<T>(value);
  } catch (const AutomationError&) {
  }
}

std::function<void()> ConnectNewJob(AutomationObject& object, std::shared_ptr<EventSink> sink) {
  auto& jobs = dynamic_cast<moxPrintJobs&>(object);
  const EventToken token = jobs.NewJob([sink](std::u16string& sName, std::u16string& sUserName,
                                              std::u16string& sDescription, int32_t& sPages,
                                              int32_t& sSize, Date& dTimeSubmitted) {
    std::vector<Variant> args{Variant(sName),  Variant(sUserName), Variant(sDescription),
                              Variant(sPages), Variant(sSize),     Variant(dTimeSubmitted)};
    sink->OnEvent(1, u"NewJob", args);
    TakeBack(args[0], sName);
    TakeBack(args[1], sUserName);
    TakeBack(args[2], sDescription);
    TakeBack(args[3], sPages);
    TakeBack(args[4], sSize);
    TakeBack(args[5], dTimeSubmitted);
  });
  // The connection must not keep the collection alive.
  std::weak_ptr<moxPrintJobs> weak =
      std::static_pointer_cast<moxPrintJobs>(jobs.shared_from_this());
  return [weak, token] {
    if (auto alive = weak.lock()) alive->NewJob(token);
  };
}

}  // namespace

InterfaceInfo PrintJobsEventInterface() {
  InterfaceInfo events;
  events.name = u"__moxPrintJobs";
  events.flags = {u"hidden", u"nonextensible"};
  events.description = u"The events a print jobs collection raises while it watches its queue.";
  MemberInfo new_job;
  new_job.name = u"NewJob";
  new_job.kind = MemberKind::kMethod;
  new_job.dispid = 1;
  new_job.result = Void();
  new_job.description =
      u"A job has arrived and finished spooling: its name, user, description, pages, size and "
      u"submission time; what a handler writes back is discarded.";
  new_job.params = {Param(u"sName", String()),        Param(u"sUserName", String()),
                    Param(u"sDescription", String()), Param(u"sPages", Long()),
                    Param(u"sSize", Long()),          Param(u"dTimeSubmitted", DateTime())};
  events.members.push_back(std::move(new_job));
  return events;
}

ClassBinding moxPrintJobsBinding() {
  return ClassTable<moxPrintJobs>(u"moxPrintJobs")
      .Summary(
          u"The jobs of a print queue; with AutoUpdate set it watches the queue and raises NewJob "
          u"for each new job.")
      .Source(u"__moxPrintJobs", ConnectNewJob)
      .Property(MOX_MEMBER(AutoUpdate), 0x68030001, Long())
      .Describe(
          u"The watch period in milliseconds: 0 stops watching, and a value from 1 to 249 counts "
          u"as 250.")
      .CollectionMembers(
          0x68030000, std::nullopt, Object(u"moxPrintJob"),
          {.count = u"The number of jobs as last listed; it does not list them again.",
           .item = u"The job at Index, a position from 1 or a job name, as last listed; an error "
                   u"when there is none.",
           .new_enum = u"An enumerator over the jobs as last listed, for For Each."})
      .Method(MOX_MEMBER(Remove), 0x60030003, Boolean(), {Param(u"Index", AnyVariant())})
      .Describe(u"Deletes the job at Index from the queue and the list; True when removed.")
      .Method(MOX_MEMBER(Refresh), kDispIdRefresh, Boolean(), {})
      .Describe(
          u"Lists the queue's jobs again and, while AutoUpdate is set, raises NewJob for each job "
          u"not announced before that has finished spooling.")
      .Build();
}

}  // namespace moxtrel::typelib
