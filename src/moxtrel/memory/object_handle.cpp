#include "moxtrel/memory/object_handle.h"

#include <algorithm>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::directory {
DirectoryCore::Guard ObjectHandle::Enter() {
  auto lock = core_->Lock();
  if (node_->life == Life::kDeleted) {
    throw AutomationError(errc::kNoSuchObject, u"The " + std::u16string(KindNoun(node_->kind)) +
                                                   u" " + MyPath() + u" no longer exists");
  }
  return lock;
}

void ObjectHandle::RequireCreated() const {
  if (node_->life == Life::kPending) {
    throw AutomationError(errc::kNoSuchObject, u"The " + std::u16string(KindNoun(node_->kind)) +
                                                   u" " + MyPath() +
                                                   u" does not exist until SetInfo creates it");
  }
}

std::u16string ObjectHandle::Name() {
  auto lock = Enter();
  return node_->name;
}

std::u16string ObjectHandle::Class() {
  auto lock = Enter();
  return std::u16string(ClassName(node_->kind));
}

std::u16string ObjectHandle::GUID() {
  auto lock = Enter();
  return GuidOf(*node_);
}

std::u16string ObjectHandle::ADsPath() {
  auto lock = Enter();
  return MyPath();
}

std::u16string ObjectHandle::Parent() {
  auto lock = Enter();
  return ParentPath(*node_);
}

Variant ObjectHandle::Get(std::u16string_view name) {
  auto lock = Enter();
  return ReadAttribute(*node_, &staged_, name);
}

void ObjectHandle::Put(std::u16string_view name, const Variant& value) {
  auto lock = Enter();
  Stage(name, value);
}

Variant ObjectHandle::Read(std::u16string_view attribute) {
  auto lock = Enter();
  return ReadAttribute(*node_, &staged_, attribute);
}

void ObjectHandle::Write(std::u16string_view attribute, const Variant& value) {
  auto lock = Enter();
  Stage(attribute, value);
}

void ObjectHandle::Stage(std::u16string_view name, const Variant& value) {
  const AttributeDef* def = FindAttribute(node_->kind, name);
  if (!def) {
    throw AutomationError(errc::kPropertyNotFound, u"A " + std::u16string(KindNoun(node_->kind)) +
                                                       u" has no attribute " + Quoted(name) +
                                                       u" (" + MyPath() + u")");
  }
  bool writable = def->writable;
  // The kind of a group is chosen when it is created.
  if (def->name == u"GroupType" && node_->life != Life::kPending) writable = false;
  if (!writable) {
    throw AutomationError(errc::kNotSupported, u"The attribute " + Quoted(def->name) + u" of " +
                                                   MyPath() + u" cannot be written");
  }
  Variant conformed = ConformValue(*def, value, MyPath());
  if (def->type == AttributeType::kUserFlag) {
    int32_t flags = ReadAttribute(*node_, &staged_, u"UserFlags").ToLong();
    bool set = conformed.ToBool() != def->inverted;
    staged_[u"UserFlags"] = Variant(set ? flags | def->flag : flags & ~def->flag);
    return;
  }
  staged_[def->name] = std::move(conformed);
}

void ObjectHandle::ValidateStaged() const {
  if (const Variant* priority = staged_.Find(u"Priority")) {
    int32_t p = priority->ToLong();
    if (p < 1 || p > 99) {
      throw AutomationError(errc::kInvalidArg, u"The priority " + priority->ToString() + u" of " +
                                                   MyPath() + u" is outside 1 to 99");
    }
  }
  if (const Variant* type = staged_.Find(u"GroupType")) {
    int32_t t = GroupScope(type->ToLong());
    NodePtr parent = node_->Parent();
    bool on_computer = parent && parent->kind == ObjectKind::kComputer;
    if (t != kGroupTypeLocal && (t != kGroupTypeGlobal || on_computer)) {
      throw AutomationError(errc::kInvalidArg,
                            u"The group type " + type->ToString() + u" is not allowed for " +
                                MyPath() +
                                (on_computer ? u": a computer holds only local groups (4)"
                                             : u": use 2 (global) or 4 (local)"));
    }
  }
}

void ObjectHandle::SetInfo() {
  auto lock = Enter();
  ValidateStaged();
  if (node_->life == Life::kPending) core_->Attach(node_);
  staged_.ForEachOwn([&](std::u16string_view name, Variant& value) {
    node_->attributes[name] = std::move(value);
  });
  staged_.Clear();
}

// Containers.

void ContainerHandle::Filter(const Variant& class_words) {
  auto lock = Enter();
  filter_.Set(class_words, u"Filter of " + MyPath());
}

Variant ContainerHandle::Filter() {
  auto lock = Enter();
  return filter_.value();
}

std::unique_ptr<IADsEnum> ContainerHandle::NewEnum() {
  auto lock = Enter();
  RequireCreated();
  std::vector<NodePtr> nodes;
  for (const auto& child : node_->Children()) {
    if (filter_.Allows(child->kind)) {
      nodes.push_back(child);
    }
  }
  return std::make_unique<NodeEnum>(core_, MyPath(), std::move(nodes));
}

std::shared_ptr<IADs> ContainerHandle::Create(std::u16string_view class_word,
                                              std::u16string_view name) {
  auto lock = Enter();
  RequireCreated();
  const auto kind = RequireClassWord(class_word, u"Create in " + MyPath());
  if (kind == ObjectKind::kFileService || kind == ObjectKind::kPrintJob) {
    throw AutomationError(errc::kInvalidArg, u"Create in " + MyPath() + u": a " +
                                                 std::u16string(KindNoun(kind)) +
                                                 u" cannot be created");
  }
  DirectoryCore::CheckHolds(*node_, kind);
  ValidateName(name, kind);
  core_->CheckFree(node_, kind, name);
  return MakeHandle(core_, core_->NewNode(kind, std::u16string(name), node_));
}

void ContainerHandle::Delete(std::u16string_view class_word, std::u16string_view name) {
  auto lock = Enter();
  RequireCreated();
  const auto kind = RequireClassWord(class_word, u"Delete in " + MyPath());
  NodePtr target = kind == ObjectKind::kComputer && node_->kind == ObjectKind::kDomain
                       ? node_->ChildIn(Namespace::kComputers, name)
                       : node_->ChildIn(NamespaceOf(kind), name);
  if (!target || target->kind != kind || kind == ObjectKind::kFileService) {
    throw AutomationError(errc::kNoSuchObject, u"There is no " + std::u16string(KindNoun(kind)) +
                                                   u" " + Quoted(name) + u" in " + MyPath());
  }
  core_->Remove(target);
}

std::shared_ptr<IADs> ContainerHandle::MoveHere(std::u16string_view source_path,
                                                std::u16string_view new_name) {
  auto lock = Enter();
  RequireCreated();
  NodePtr source = core_->Resolve(source_path);
  core_->MoveTo(source, node_, new_name.empty() ? std::u16string_view(source->name) : new_name);
  return MakeHandle(core_, source);
}

std::shared_ptr<IADs> NodeEnum::Next() {
  auto lock = core_->Lock();
  while (pos_ < nodes_.size()) {
    // Each node is visited once, so the walk hands its reference on to the handle.
    NodePtr node = std::move(nodes_[pos_++]);
    if (node->life == Life::kLive) return MakeHandle(core_, std::move(node));
  }
  return nullptr;
}

}  // namespace moxtrel::directory
