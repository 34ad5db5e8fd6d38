#include "moxtrel/memory/resource_handles.h"

#include <algorithm>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::directory {
namespace {

enum ServiceState : int32_t {
  kStopped = 1,
  kStartPending = 2,
  kStopPending = 3,
  kRunning = 4,
  kContinuePending = 5,
  kPausePending = 6,
  kPaused = 7,
};

std::u16string StateName(int32_t state) {
  switch (state) {
    case kStopped:
      return u"stopped";
    case kStartPending:
      return u"start pending";
    case kStopPending:
      return u"stop pending";
    case kRunning:
      return u"running";
    case kContinuePending:
      return u"continue pending";
    case kPausePending:
      return u"pause pending";
    case kPaused:
      return u"paused";
    default:
      return u"in state " + FromUtf8(std::to_string(state));
  }
}

std::u16string_view Verb(std::u16string_view member) {
  if (member == u"Start") return u"started";
  if (member == u"Stop") return u"stopped";
  if (member == u"Pause") return u"paused";
  return u"continued";
}

// Whether a Dependencies value (an array of names or one name) names `service`.
bool DependsOn(const Variant& dependencies, std::u16string_view service) {
  if (dependencies.IsArray()) {
    for (const auto& item : dependencies.AsArray().items) {
      if (item.IsString() && EqualsNoCase(item.AsString(), service)) return true;
    }
    return false;
  }
  return dependencies.IsString() && EqualsNoCase(dependencies.AsString(), service);
}

}  // namespace

std::shared_ptr<IADsCollection> PrintQueueHandle::PrintJobs() {
  auto lock = Enter();
  RequireCreated();
  return std::make_shared<JobCollection>(core_, node_);
}

void PrintQueueHandle::Pause() {
  auto lock = Enter();
  RequireCreated();
  auto& status = node_->attributes[u"Status"];
  status = Variant(status.ToLong() | kQueueStatusPaused);
}

void PrintQueueHandle::Resume() {
  auto lock = Enter();
  RequireCreated();
  auto& status = node_->attributes[u"Status"];
  status = Variant(status.ToLong() & ~kQueueStatusPaused);
}

void PrintQueueHandle::Purge() {
  auto lock = Enter();
  RequireCreated();
  // Copied first: removing a job changes the list being walked.
  const std::vector<NodePtr> jobs(node_->Children().begin(), node_->Children().end());
  for (const auto& job : jobs) core_->Remove(job);
}

std::unique_ptr<IADsEnum> JobCollection::NewEnum() {
  auto lock = core_->Lock();
  std::u16string path = CanonicalPath(*queue_);
  if (queue_->life == Life::kDeleted) {
    throw AutomationError(errc::kNoSuchObject, u"The print queue " + path + u" no longer exists");
  }
  std::vector<NodePtr> jobs(queue_->Children().begin(), queue_->Children().end());
  return std::make_unique<NodeEnum>(core_, path, std::move(jobs));
}

void JobCollection::Remove(std::u16string_view name) {
  auto lock = core_->Lock();
  std::u16string path = CanonicalPath(*queue_);
  if (queue_->life == Life::kDeleted) {
    throw AutomationError(errc::kNoSuchObject, u"The print queue " + path + u" no longer exists");
  }
  NodePtr job = queue_->ChildIn(Namespace::kJobs, name);
  if (!job) {
    throw AutomationError(errc::kNoSuchObject,
                          u"There is no print job \"" + std::u16string(name) + u"\" in " + path);
  }
  core_->Remove(job);
}

void PrintJobHandle::Pause() {
  auto lock = Enter();
  auto& status = node_->attributes[u"Status"];
  status = Variant(status.ToLong() | kJobStatusPaused);
}

void PrintJobHandle::Resume() {
  auto lock = Enter();
  auto& status = node_->attributes[u"Status"];
  status = Variant(status.ToLong() & ~kJobStatusPaused);
}

void ServiceHandle::Control(std::u16string_view member, std::initializer_list<int32_t> from,
                            int32_t to) {
  auto lock = Enter();
  RequireCreated();
  auto& status = node_->attributes[u"Status"];
  const int32_t state = status.ToLong();
  if (std::find(from.begin(), from.end(), state) != from.end()) {
    status = Variant(to);
    return;
  }
  uint32_t code = errc::kServiceControlRefused;
  if (member == u"Start" && (state == kRunning || state == kPaused)) {
    code = errc::kServiceAlreadyRunning;
  } else if (member != u"Start" && state == kStopped) {
    code = errc::kServiceNotActive;
  }
  throw AutomationError(code, u"The service \"" + node_->name + u"\" on " +
                                  ReadAttribute(*node_, nullptr, u"HostComputer").ToString() +
                                  u" cannot be " + std::u16string(Verb(member)) + u": it is " +
                                  StateName(state));
}

void ServiceHandle::Start() {
  Control(u"Start", {kStopped}, kRunning);
}
void ServiceHandle::Stop() {
  auto lock = core_->Lock();
  // A service manager refuses to stop a service that an active service depends on.
  if (NodePtr computer = node_->Parent(); computer && node_->life == Life::kLive) {
    for (const auto& other : computer->Children()) {
      if (other->kind != ObjectKind::kService || other == node_ || other->life != Life::kLive) {
        continue;
      }
      const Variant* status = other->attributes.Find(u"Status");
      if (!status || status->ToLong() == kStopped) continue;
      const Variant* deps = other->attributes.Find(u"Dependencies");
      if (deps && DependsOn(*deps, node_->name)) {
        throw AutomationError(errc::kDependentServicesRunning,
                              u"The service \"" + node_->name + u"\" cannot be stopped: \"" +
                                  other->name + u"\", which depends on it, is " +
                                  StateName(status->ToLong()));
      }
    }
  }
  Control(u"Stop", {kRunning, kPaused}, kStopped);
}
void ServiceHandle::Pause() {
  Control(u"Pause", {kRunning}, kPaused);
}
void ServiceHandle::Continue() {
  Control(u"Continue", {kPaused}, kRunning);
}

void ServiceHandle::SetPassword(std::u16string_view password) {
  auto lock = Enter();
  RequireCreated();
  node_->password = std::u16string(password);
}

}  // namespace moxtrel::directory
