#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/memory/directory_core.h"
#include "moxtrel/memory/memory_directory.h"

namespace moxtrel::directory {
namespace {

// Makes, seeds and attaches one object; the attributes are set before the name checks so
// GroupType can be chosen.
std::u16string Add(DirectoryCore& core, ObjectKind kind, std::u16string_view name,
                   const NodePtr& parent, const Attributes& attributes) {
  if (parent) DirectoryCore::CheckHolds(*parent, kind);
  NodePtr node = core.NewNode(kind, std::u16string(name), parent);
  for (const auto& [attribute, value] : attributes) {
    DirectoryCore::SeedAttribute(*node, attribute, value);
  }
  if (kind == ObjectKind::kGroup) {
    int32_t type = GroupScope(node->attributes.Find(u"GroupType")->ToLong());
    bool on_computer = parent->kind == ObjectKind::kComputer;
    if (type != kGroupTypeLocal && (type != kGroupTypeGlobal || on_computer)) {
      throw AutomationError(errc::kInvalidArg, u"The group \"" + std::u16string(name) +
                                                   u"\" cannot have the group type " +
                                                   FromUtf8(std::to_string(type)));
    }
  }
  core.Attach(node);
  return CanonicalPath(*node);
}

NodePtr Container(DirectoryCore& core, std::u16string_view path,
                  std::initializer_list<ObjectKind> kinds, std::u16string_view what) {
  NodePtr node = core.Resolve(path);
  for (ObjectKind k : kinds) {
    if (node->kind == k) return node;
  }
  throw AutomationError(errc::kInvalidArg, std::u16string(path) + u" is a " +
                                               std::u16string(KindNoun(node->kind)) + u"; a " +
                                               std::u16string(what) + u" needs a " +
                                               std::u16string(KindNoun(*kinds.begin())) +
                                               (kinds.size() > 1 ? u" or a computer" : u""));
}

NodePtr FileServiceOf(DirectoryCore& core, std::u16string_view path) {
  NodePtr node =
      Container(core, path, {ObjectKind::kComputer, ObjectKind::kFileService}, u"file share");
  if (node->kind == ObjectKind::kFileService) return node;
  NodePtr service = node->ChildIn(Namespace::kFileServices, kFileServiceName);
  if (!service) {
    throw AutomationError(errc::kNoSuchObject,
                          u"The computer " + CanonicalPath(*node) + u" has no file service");
  }
  return service;
}

}  // namespace

std::u16string DirectoryBuilder::AddDomain(std::u16string_view name, const Attributes& attributes) {
  auto lock = dir_.state_->core->Lock();
  return Add(*dir_.state_->core, ObjectKind::kDomain, name, nullptr, attributes);
}

std::u16string DirectoryBuilder::AddComputer(std::u16string_view domain_path,
                                             std::u16string_view name,
                                             const Attributes& attributes) {
  auto lock = dir_.state_->core->Lock();
  auto& core = *dir_.state_->core;
  NodePtr domain = domain_path.empty()
                       ? nullptr
                       : Container(core, domain_path, {ObjectKind::kDomain}, u"computer");
  return Add(core, ObjectKind::kComputer, name, domain, attributes);
}

std::u16string DirectoryBuilder::AddUser(std::u16string_view parent_path, std::u16string_view name,
                                         const Attributes& attributes) {
  auto lock = dir_.state_->core->Lock();
  auto& core = *dir_.state_->core;
  NodePtr parent =
      Container(core, parent_path, {ObjectKind::kDomain, ObjectKind::kComputer}, u"user");
  return Add(core, ObjectKind::kUser, name, parent, attributes);
}

std::u16string DirectoryBuilder::AddGroup(std::u16string_view parent_path, std::u16string_view name,
                                          const Attributes& attributes) {
  auto lock = dir_.state_->core->Lock();
  auto& core = *dir_.state_->core;
  NodePtr parent =
      Container(core, parent_path, {ObjectKind::kDomain, ObjectKind::kComputer}, u"group");
  return Add(core, ObjectKind::kGroup, name, parent, attributes);
}

void DirectoryBuilder::AddMember(std::u16string_view group_path, std::u16string_view member_path) {
  auto lock = dir_.state_->core->Lock();
  auto& core = *dir_.state_->core;
  core.AddMember(core.ResolveAs(group_path, ObjectKind::kGroup), core.Resolve(member_path));
}

std::u16string DirectoryBuilder::AddShare(std::u16string_view computer_path,
                                          std::u16string_view name, const Attributes& attributes) {
  auto lock = dir_.state_->core->Lock();
  auto& core = *dir_.state_->core;
  return Add(core, ObjectKind::kFileShare, name, FileServiceOf(core, computer_path), attributes);
}

std::u16string DirectoryBuilder::AddPrintQueue(std::u16string_view computer_path,
                                               std::u16string_view name,
                                               const Attributes& attributes) {
  auto lock = dir_.state_->core->Lock();
  auto& core = *dir_.state_->core;
  NodePtr computer = Container(core, computer_path, {ObjectKind::kComputer}, u"print queue");
  return Add(core, ObjectKind::kPrintQueue, name, computer, attributes);
}

std::u16string DirectoryBuilder::AddPrintJob(std::u16string_view queue_path,
                                             const Attributes& attributes) {
  auto lock = dir_.state_->core->Lock();
  return dir_.SubmitJob(queue_path, attributes);
}

std::u16string DirectoryBuilder::AddService(std::u16string_view computer_path,
                                            std::u16string_view name,
                                            const Attributes& attributes) {
  auto lock = dir_.state_->core->Lock();
  auto& core = *dir_.state_->core;
  NodePtr computer = Container(core, computer_path, {ObjectKind::kComputer}, u"service");
  return Add(core, ObjectKind::kService, name, computer, attributes);
}

}  // namespace moxtrel::directory
