#include "moxtrel/memory/memory_directory.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/memory/account_handles.h"
#include "moxtrel/memory/directory_core.h"
#include "moxtrel/memory/resource_handles.h"

namespace moxtrel::directory {

std::shared_ptr<IADs> MakeHandle(const CorePtr& core, NodePtr node) {
  switch (node->kind) {
    case ObjectKind::kDomain:
      return std::make_shared<DomainHandle>(core, std::move(node));
    case ObjectKind::kComputer:
      return std::make_shared<ComputerHandle>(core, std::move(node));
    case ObjectKind::kUser:
      return std::make_shared<UserHandle>(core, std::move(node));
    case ObjectKind::kGroup:
      return std::make_shared<GroupHandle>(core, std::move(node));
    case ObjectKind::kFileService:
      return std::make_shared<FileServiceHandle>(core, std::move(node));
    case ObjectKind::kFileShare:
      return std::make_shared<FileShareHandle>(core, std::move(node));
    case ObjectKind::kPrintQueue:
      return std::make_shared<PrintQueueHandle>(core, std::move(node));
    case ObjectKind::kPrintJob:
      return std::make_shared<PrintJobHandle>(core, std::move(node));
    case ObjectKind::kService:
      return std::make_shared<ServiceHandle>(core, std::move(node));
  }
  throw AutomationError(errc::kFail, u"Unknown kind of directory object");
}

SeedError::SeedError(const std::string& source, int line, const std::string& message)
    : std::runtime_error(source + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " +
                         message),
      source_(source),
      message_(message),
      line_(line) {}

MemoryDirectory::MemoryDirectory() : state_(std::make_unique<State>()) {}
MemoryDirectory::~MemoryDirectory() = default;

std::shared_ptr<MemoryDirectory> MemoryDirectory::Create() {
  return std::shared_ptr<MemoryDirectory>(new MemoryDirectory());
}

std::shared_ptr<IADs> MemoryDirectory::GetObject(std::u16string_view path) {
  const auto& core = state_->core;
  auto lock = core->Lock();
  return MakeHandle(core, core->Resolve(path));
}

bool MemoryDirectory::Contains(std::u16string_view path) const {
  auto lock = state_->core->Lock();
  try {
    state_->core->Resolve(path);
    return true;
  } catch (const AutomationError& e) {
    if (e.code() == static_cast<int32_t>(errc::kNoSuchObject)) return false;
    throw;
  }
}

Variant MemoryDirectory::Peek(std::u16string_view path, std::u16string_view attribute) const {
  auto lock = state_->core->Lock();
  return ReadAttribute(*state_->core->Resolve(path), nullptr, attribute);
}

void MemoryDirectory::Poke(std::u16string_view path, std::u16string_view attribute,
                           const Variant& value) {
  auto lock = state_->core->Lock();
  DirectoryCore::SeedAttribute(*state_->core->Resolve(path), attribute, value);
}

std::vector<std::u16string> MemoryDirectory::MembersOf(std::u16string_view group_path) const {
  auto lock = state_->core->Lock();
  NodePtr group = state_->core->ResolveAs(group_path, ObjectKind::kGroup);
  std::vector<std::u16string> out;
  out.reserve(group->members.size());
  for (const auto& m : group->members) out.push_back(::moxtrel::directory::CanonicalPath(*m));
  return out;
}

std::u16string MemoryDirectory::CanonicalPath(std::u16string_view path) const {
  auto lock = state_->core->Lock();
  const NodePtr node = state_->core->Resolve(path);
  return ::moxtrel::directory::CanonicalPath(*node);
}

std::u16string MemoryDirectory::SubmitJob(std::u16string_view queue_path,
                                          const Attributes& attributes, std::u16string_view name) {
  auto lock = state_->core->Lock();
  auto& core = *state_->core;
  const NodePtr job =
      core.AddJob(core.ResolveAs(queue_path, ObjectKind::kPrintQueue), attributes, name);
  return ::moxtrel::directory::CanonicalPath(*job);
}

void MemoryDirectory::SetJobStatus(std::u16string_view job_path, int32_t status) {
  auto lock = state_->core->Lock();
  NodePtr job = state_->core->ResolveAs(job_path, ObjectKind::kPrintJob);
  job->attributes[u"Status"] = Variant(status);
}

const std::vector<std::u16string>& MemoryDirectory::ShutdownRequests() const {
  auto lock = state_->core->Lock();
  return state_->core->shutdown_requests;
}

std::u16string MemoryDirectory::Snapshot() const {
  auto lock = state_->core->Lock();
  return state_->core->Snapshot();
}

bool MemoryDirectory::PasswordMatches(std::u16string_view path,
                                      std::u16string_view password) const {
  auto lock = state_->core->Lock();
  return state_->core->Resolve(path)->password == password;
}

}  // namespace moxtrel::directory
