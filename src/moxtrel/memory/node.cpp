#include "moxtrel/memory/node.h"

#include <array>

namespace moxtrel::directory {

Namespace NamespaceOf(ObjectKind kind) noexcept {
  switch (kind) {
    case ObjectKind::kUser:
    case ObjectKind::kGroup:
      return Namespace::kAccounts;
    case ObjectKind::kComputer:
    case ObjectKind::kDomain:
      return Namespace::kComputers;
    case ObjectKind::kService:
      return Namespace::kServices;
    case ObjectKind::kPrintQueue:
      return Namespace::kQueues;
    case ObjectKind::kFileShare:
      return Namespace::kShares;
    case ObjectKind::kFileService:
      return Namespace::kFileServices;
    case ObjectKind::kPrintJob:
      return Namespace::kJobs;
  }
  return Namespace::kAccounts;
}

const Node::ChildList& Node::Children() const noexcept {
  static const ChildList kNone;
  return contents_ ? contents_->children : kNone;
}

Node::Contents& Node::Own() {
  if (!contents_) {
    contents_ = std::make_unique<Contents>();
    contents_->path = CanonicalPath(*this);
  }
  return *contents_;
}

void Node::RenewPaths() {
  if (!contents_) return;
  contents_->path.clear();  // so that CanonicalPath does not answer with the old one
  contents_->path = CanonicalPath(*this);
  for (const auto& child : contents_->children) child->RenewPaths();
}

std::size_t Node::CountIn(Namespace ns) const noexcept {
  return contents_ ? contents_->index[static_cast<std::size_t>(ns)].size() : 0;
}

void Node::ChildrenNamed(std::u16string_view child_name, std::vector<NodePtr>& out) const {
  if (!contents_) return;
  for (const auto& ns : contents_->index) {
    if (auto it = ns.find(child_name); it != ns.end()) out.push_back(*it->second);
  }
}

NodePtr Node::ChildIn(Namespace ns, std::u16string_view child_name) const {
  if (!contents_) return nullptr;
  const auto& map = contents_->index[static_cast<std::size_t>(ns)];
  auto it = map.find(child_name);
  return it == map.end() ? nullptr : *it->second;
}

namespace {

// The object's container, or null. A live object's is read without taking a reference; any
// other's is held in `held`, since a deleted or pending object may outlive its container.
const Node* ContainerOf(const Node& node, NodePtr& held) {
  if (node.life == Life::kLive) return node.up;
  held = node.Parent();
  return held.get();
}

}  // namespace

std::u16string CanonicalPath(const Node& node) {
  if (const std::u16string* kept = node.KeptPath(); kept && !kept->empty()) return *kept;
  // A member of a container is its container's kept path and its own name, in one allocation.
  NodePtr held;
  const Node* parent = ContainerOf(node, held);
  if (const std::u16string* base = parent ? parent->KeptPath() : nullptr; base && !base->empty()) {
    std::u16string path;
    path.reserve(base->size() + 1 + node.name.size());
    path += *base;
    path += u'/';
    path += node.name;
    return path;
  }
  // A listing asks every member for its path and its parent's, so the path is measured first and
  // written into one allocation. The namespace is at most four deep; a deeper chain (which the
  // directory never builds) is joined from its parent's path.
  std::array<NodePtr, 6> chain;
  std::size_t depth = 0;
  std::size_t size = kPathPrefix.size() + node.name.size();
  for (const Node* at = &node; NodePtr up = at->Parent();) {
    if (depth == chain.size()) return CanonicalPath(*node.Parent()) + u"/" + node.name;
    size += up->name.size() + 1;
    at = up.get();
    chain[depth++] = std::move(up);
  }
  std::u16string path;
  path.reserve(size);
  path += kPathPrefix;
  while (depth > 0) {
    path += chain[--depth]->name;
    path += u'/';
  }
  path += node.name;
  return path;
}

std::u16string ParentPath(const Node& node) {
  NodePtr held;
  const Node* parent = ContainerOf(node, held);
  return parent ? CanonicalPath(*parent) : std::u16string(kNamespacePath);
}

NodePtr HostComputerOf(const Node& node) {
  for (NodePtr n = node.Parent(); n; n = n->Parent()) {
    if (n->kind == ObjectKind::kComputer) return n;
  }
  return nullptr;
}

NodePtr DomainOf(const Node& node) {
  for (NodePtr n = node.Parent(); n; n = n->Parent()) {
    if (n->kind == ObjectKind::kDomain) return n;
  }
  return nullptr;
}

}  // namespace moxtrel::directory
