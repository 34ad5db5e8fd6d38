#include "moxtrel/memory/directory_core.h"

#include <algorithm>
#include <functional>
#include <limits>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::directory {
namespace {

std::u16string Describe(const Node& node) {
  return std::u16string(KindNoun(node.kind)) + u" " + CanonicalPath(node);
}

int32_t GroupTypeOf(const Node& group) {
  const Variant* type = group.attributes.Find(u"GroupType");
  return type ? GroupScope(type->ToLong()) : kGroupTypeGlobal;
}

}  // namespace

NodePtr DirectoryCore::Resolve(std::u16string_view path) const {
  ParsedPath parsed = ParsePath(path);
  // The first name may be a domain or a computer; later names are children in any namespace.
  // All readings are followed and the class word picks among them.
  std::vector<NodePtr> current;
  if (auto it = domains_.find(parsed.components[0]); it != domains_.end()) {
    current.push_back(it->second);
  }
  if (auto it = computers_.find(parsed.components[0]); it != computers_.end()) {
    current.push_back(it->second);
  }
  std::vector<NodePtr> next;
  for (std::size_t i = 1; i < parsed.components.size() && !current.empty(); ++i) {
    next.clear();
    for (const auto& node : current) node->ChildrenNamed(parsed.components[i], next);
    current.swap(next);
  }
  std::u16string_view shown = path.substr(0, path.rfind(u','));
  if (current.empty()) {
    throw AutomationError(errc::kNoSuchObject,
                          u"There is no directory object at " + std::u16string(shown));
  }
  if (!parsed.kind) return current.front();
  for (const auto& node : current) {
    if (node->kind == *parsed.kind) return node;
  }
  throw AutomationError(errc::kNoSuchObject, std::u16string(shown) + u" is a " +
                                                 std::u16string(KindNoun(current.front()->kind)) +
                                                 u", not a " +
                                                 std::u16string(KindNoun(*parsed.kind)));
}

NodePtr DirectoryCore::ResolveAs(std::u16string_view path, ObjectKind kind) const {
  NodePtr node = Resolve(path);
  if (node->kind != kind) {
    throw AutomationError(errc::kNoSuchObject, std::u16string(path) + u" is a " +
                                                   std::u16string(KindNoun(node->kind)) +
                                                   u", not a " + std::u16string(KindNoun(kind)));
  }
  return node;
}

NodePtr DirectoryCore::NewNode(ObjectKind kind, std::u16string name, const NodePtr& parent) {
  auto node = std::make_shared<Node>();
  node->kind = kind;
  node->name = std::move(name);
  node->parent = parent;
  node->up = parent.get();
  ApplyDefaults(*node, ++serial_);
  return node;
}

void DirectoryCore::CheckHolds(const Node& container, ObjectKind kind) {
  bool ok = false;
  switch (container.kind) {
    case ObjectKind::kDomain:
      ok = kind == ObjectKind::kUser || kind == ObjectKind::kGroup || kind == ObjectKind::kComputer;
      break;
    case ObjectKind::kComputer:
      ok = kind == ObjectKind::kUser || kind == ObjectKind::kGroup ||
           kind == ObjectKind::kService || kind == ObjectKind::kPrintQueue ||
           kind == ObjectKind::kFileService;
      break;
    case ObjectKind::kFileService:
      ok = kind == ObjectKind::kFileShare;
      break;
    case ObjectKind::kPrintQueue:
      ok = kind == ObjectKind::kPrintJob;
      break;
    default:
      break;
  }
  if (!ok) {
    throw AutomationError(errc::kInvalidArg, u"The " + Describe(container) + u" cannot hold a " +
                                                 std::u16string(KindNoun(kind)));
  }
}

void DirectoryCore::CheckFree(const NodePtr& container, ObjectKind kind, std::u16string_view name,
                              const Node* except) const {
  NodePtr taken;
  std::u16string where;
  if (kind == ObjectKind::kDomain) {
    if (auto it = domains_.find(name); it != domains_.end()) taken = it->second;
    where = u"the directory";
  } else if (kind == ObjectKind::kComputer) {
    if (auto it = computers_.find(name); it != computers_.end()) taken = it->second;
    where = u"the network";
  } else {
    taken = container->ChildIn(NamespaceOf(kind), name);
    where = Describe(*container);
  }
  if (taken && taken.get() != except) {
    throw AutomationError(errc::kObjectExists,
                          u"The name \"" + std::u16string(name) + u"\" is already used by a " +
                              std::u16string(KindNoun(taken->kind)) + u" in " + where);
  }
}

void DirectoryCore::Attach(const NodePtr& node) {
  NodePtr parent = node->Parent();
  ValidateName(node->name, node->kind);
  if (parent) {
    if (parent->life == Life::kDeleted) {
      throw AutomationError(errc::kNoSuchObject,
                            u"The container " + CanonicalPath(*parent) + u" no longer exists");
    }
    CheckHolds(*parent, node->kind);
  } else if (node->kind != ObjectKind::kDomain && node->kind != ObjectKind::kComputer) {
    throw AutomationError(errc::kInvalidArg,
                          u"A " + std::u16string(KindNoun(node->kind)) + u" needs a container");
  }
  CheckFree(parent, node->kind, node->name);
  if (node->kind == ObjectKind::kComputer) computers_.emplace(node->name, node);
  if (!parent) {
    if (node->kind == ObjectKind::kDomain) domains_.emplace(node->name, node);
  } else {
    auto& contents = parent->Own();
    auto it = contents.children.insert(contents.children.end(), node);
    contents.index[static_cast<std::size_t>(NamespaceOf(node->kind))].emplace(node->name, it);
  }
  node->life = Life::kLive;
  if (node->kind == ObjectKind::kComputer) {
    Attach(NewNode(ObjectKind::kFileService, std::u16string(kFileServiceName), node));
  }
}

void DirectoryCore::RemoveFromParent(const NodePtr& node) {
  if (node->kind == ObjectKind::kComputer) computers_.erase(node->name);
  NodePtr parent = node->Parent();
  if (!parent) {
    if (node->kind == ObjectKind::kDomain) domains_.erase(node->name);
    return;
  }
  auto& contents = parent->Own();
  auto& map = contents.index[static_cast<std::size_t>(NamespaceOf(node->kind))];
  if (auto it = map.find(node->name); it != map.end() && *it->second == node) {
    contents.children.erase(it->second);
    map.erase(it);
  }
}

// Marks a subtree deleted and takes its accounts out of every group.
void DirectoryCore::Forget(const NodePtr& node) {
  node->life = Life::kDeleted;
  for (const auto& weak : node->groups) {
    if (NodePtr group = weak.lock()) {
      std::erase(group->members, node);
      group->member_set.erase(node.get());
    }
  }
  node->groups.clear();
  for (const auto& member : node->members) {
    std::erase_if(member->groups, [&](const std::weak_ptr<Node>& g) {
      NodePtr locked = g.lock();
      return !locked || locked == node;
    });
  }
  node->members.clear();
  node->member_set.clear();
  for (const auto& child : node->Children()) Forget(child);
  if (node->kind == ObjectKind::kComputer) computers_.erase(node->name);
}

void DirectoryCore::Remove(const NodePtr& node) {
  RemoveFromParent(node);
  Forget(node);
}

void DirectoryCore::MoveTo(const NodePtr& node, const NodePtr& container,
                           std::u16string_view new_name) {
  // The file service belongs to its computer and jobs are numbered by their queue.
  if (node->kind == ObjectKind::kFileService || node->kind == ObjectKind::kPrintJob) {
    throw AutomationError(errc::kInvalidArg,
                          u"The " + Describe(*node) + u" cannot be moved or renamed");
  }
  ValidateName(new_name, node->kind);
  CheckHolds(*container, node->kind);
  NodePtr old_parent = node->Parent();
  if (!old_parent || (old_parent != container && old_parent->kind != container->kind)) {
    throw AutomationError(errc::kInvalidArg, u"The " + Describe(*node) + u" cannot move into the " +
                                                 Describe(*container));
  }
  CheckFree(container, node->kind, new_name, node.get());
  auto& old_index = old_parent->Own().index[static_cast<std::size_t>(NamespaceOf(node->kind))];
  if (node->kind == ObjectKind::kComputer) computers_.erase(node->name);
  if (old_parent == container) {
    // A rename keeps the object's place in the listing.
    auto it = old_index.find(node->name);
    auto pos = it->second;
    old_index.erase(it);
    node->name = std::u16string(new_name);
    old_index.emplace(node->name, pos);
    node->RenewPaths();
  } else {
    RemoveFromParent(node);
    node->name = std::u16string(new_name);
    node->parent = container;
    node->up = container.get();
    auto& contents = container->Own();
    auto it = contents.children.insert(contents.children.end(), node);
    contents.index[static_cast<std::size_t>(NamespaceOf(node->kind))].emplace(node->name, it);
    node->RenewPaths();
    // Memberships follow the object where the groups' rules still allow them.
    std::vector<NodePtr> groups;
    for (const auto& weak : node->groups) {
      if (NodePtr g = weak.lock()) groups.push_back(g);
    }
    for (const auto& g : groups) {
      if (MembershipRefused(*g, *node)) RemoveMember(g, node);
    }
    std::vector<NodePtr> members = node->members;
    for (const auto& m : members) {
      if (MembershipRefused(*node, *m)) RemoveMember(node, m);
    }
  }
  if (node->kind == ObjectKind::kComputer) computers_.emplace(node->name, node);
}

std::optional<std::u16string> DirectoryCore::MembershipRefused(const Node& group,
                                                               const Node& member) {
  auto refuse = [&](std::u16string_view why) -> std::optional<std::u16string> {
    return u"The " + Describe(group) + u" cannot hold the " + Describe(member) + u": " +
           std::u16string(why);
  };
  if (member.kind != ObjectKind::kUser && member.kind != ObjectKind::kGroup) {
    return refuse(u"only users and groups can be members");
  }
  if (&member == &group) return refuse(u"a group cannot hold itself");
  NodePtr home = group.Parent();
  NodePtr member_home = member.Parent();
  if (GroupTypeOf(group) == kGroupTypeGlobal) {
    if (member.kind != ObjectKind::kUser) return refuse(u"a global group holds only users");
    if (member_home != home) return refuse(u"a global group holds only accounts of its domain");
    return std::nullopt;
  }
  if (member.kind == ObjectKind::kGroup) {
    if (GroupTypeOf(member) != kGroupTypeGlobal || !member_home ||
        member_home->kind != ObjectKind::kDomain) {
      return refuse(u"a local group holds only users and global groups of a domain");
    }
    return std::nullopt;
  }
  if (member_home != home && (!member_home || member_home->kind != ObjectKind::kDomain)) {
    return refuse(u"a local group holds users of its own computer or of a domain");
  }
  return std::nullopt;
}

void DirectoryCore::AddMember(const NodePtr& group, const NodePtr& member) {
  if (group->member_set.contains(member.get())) {
    throw AutomationError(
        errc::kMemberInGroup,
        u"The " + Describe(*member) + u" is already a member of the " + Describe(*group));
  }
  if (auto why = MembershipRefused(*group, *member)) {
    throw AutomationError(errc::kInvalidMember, *why);
  }
  group->members.push_back(member);
  group->member_set.insert(member.get());
  member->groups.push_back(group);
}

void DirectoryCore::RemoveMember(const NodePtr& group, const NodePtr& member) {
  if (!group->member_set.erase(member.get())) {
    throw AutomationError(
        errc::kMemberNotInGroup,
        u"The " + Describe(*member) + u" is not a member of the " + Describe(*group));
  }
  std::erase(group->members, member);
  std::erase_if(member->groups, [&](const std::weak_ptr<Node>& g) {
    NodePtr locked = g.lock();
    return !locked || locked == group;
  });
}

void DirectoryCore::SeedAttribute(Node& node, std::u16string_view name, const Variant& value) {
  const AttributeDef* def = FindAttribute(node.kind, name);
  std::u16string where = CanonicalPath(node);
  if (!def) {
    throw AutomationError(errc::kPropertyNotFound, u"A " + std::u16string(KindNoun(node.kind)) +
                                                       u" has no attribute \"" +
                                                       std::u16string(name) + u"\"");
  }
  if (def->type == AttributeType::kHostPath) {
    throw AutomationError(errc::kNotSupported, u"The attribute \"" + std::u16string(def->name) +
                                                   u"\" of " + where + u" is computed");
  }
  Variant conformed = ConformValue(*def, value, where);
  if (node.kind == ObjectKind::kService && def->name == u"Status") {
    const int32_t status = conformed.ToLong();
    if (status < 1 || status > 8) {
      throw AutomationError(errc::kInvalidArg,
                            u"The service status " + FromUtf8(std::to_string(status)) + u" of " +
                                where + u" is not a run state: give 1 (stopped) to 8 (error)");
    }
  }
  if (def->type == AttributeType::kUserFlag) {
    int32_t flags = node.attributes[u"UserFlags"].ToLong();
    bool set = conformed.ToBool() != def->inverted;
    node.attributes[u"UserFlags"] = Variant(set ? flags | def->flag : flags & ~def->flag);
    return;
  }
  node.attributes[def->name] = std::move(conformed);
}

int32_t DirectoryCore::FreeJobNumber(const NodePtr& queue) {
  // A job submitted under a chosen name that is a number holds that number: skip it.
  int32_t number = queue->Own().next_job_number;
  while (queue->ChildIn(Namespace::kJobs, FromUtf8(std::to_string(number)))) {
    if (number == std::numeric_limits<int32_t>::max()) {
      throw AutomationError(errc::kInvalidArg,
                            u"The " + Describe(*queue) + u" has no job number left");
    }
    ++number;
  }
  return number;
}

NodePtr DirectoryCore::AddJob(const NodePtr& queue, const Attributes& attributes,
                              std::u16string_view name) {
  const bool numbered = name.empty();
  const int32_t number = numbered ? FreeJobNumber(queue) : 0;
  NodePtr job = NewNode(ObjectKind::kPrintJob,
                        numbered ? FromUtf8(std::to_string(number)) : std::u16string(name), queue);
  job->attributes[u"Position"] =
      Variant(static_cast<int32_t>(queue->CountIn(Namespace::kJobs) + 1));
  for (const auto& [attribute, value] : attributes) SeedAttribute(*job, attribute, value);
  Attach(job);
  if (numbered) queue->Own().next_job_number = number + 1;
  return job;
}

Variant ReadAttribute(const Node& node, const AttributeMap* staged, std::u16string_view name) {
  const AttributeDef* def = FindAttribute(node.kind, name);
  auto lookup = [&](std::u16string_view key) -> const Variant* {
    if (staged) {
      if (const Variant* v = staged->Find(key)) return v;
    }
    return node.attributes.Find(key);
  };
  if (def && def->type == AttributeType::kUserFlag) {
    const Variant* flags = lookup(u"UserFlags");
    bool set = flags && (flags->ToLong() & def->flag) != 0;
    return Variant::Boolean(set != def->inverted);
  }
  if (def && def->type == AttributeType::kHostPath) {
    NodePtr host = node.kind == ObjectKind::kPrintJob ? node.Parent() : HostComputerOf(node);
    if (host) return Variant(CanonicalPath(*host));
  } else if (const Variant* v = lookup(def ? AttributeKey(node.kind, *def) : name)) {
    return *v;
  }
  throw AutomationError(errc::kPropertyNotFound, u"The attribute \"" + std::u16string(name) +
                                                     u"\" is not held by " + CanonicalPath(node));
}

std::u16string DirectoryCore::Snapshot() const {
  std::vector<std::u16string> lines;
  std::vector<NodePtr> pending;
  for (const auto& [name, node] : domains_) pending.push_back(node);
  for (const auto& [name, node] : computers_) {
    if (!node->Parent()) pending.push_back(node);
  }
  while (!pending.empty()) {
    NodePtr node = std::move(pending.back());
    pending.pop_back();
    if (node->life != Life::kLive) continue;
    const std::u16string path = CanonicalPath(*node);
    std::vector<std::u16string> attributes;
    node->attributes.ForEach([&](std::u16string_view key, const Variant& value) {
      attributes.push_back(std::u16string(key) + u"=" + value.Describe());
    });
    std::sort(attributes.begin(), attributes.end());
    std::u16string line = path + u" " + std::u16string(KindNoun(node->kind));
    for (const auto& a : attributes) line += u" " + a;
    for (const auto& m : node->members) line += u" member:" + CanonicalPath(*m);
    if (!node->password.empty()) {
      line += u" password#" + FromUtf8(std::to_string(std::hash<std::u16string>{}(node->password)));
    }
    lines.push_back(std::move(line));
    for (const auto& child : node->Children()) pending.push_back(child);
  }
  std::sort(lines.begin(), lines.end());
  std::u16string out;
  for (const auto& l : lines) out += l + u"\n";
  return out;
}

}  // namespace moxtrel::directory
