#include "moxtrel/memory/node.h"

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
  if (!contents_) contents_ = std::make_unique<Contents>();
  return *contents_;
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

std::u16string CanonicalPath(const Node& node) {
  NodePtr parent = node.Parent();
  if (!parent) return std::u16string(kPathPrefix) + node.name;
  return CanonicalPath(*parent) + u"/" + node.name;
}

std::u16string ParentPath(const Node& node) {
  NodePtr parent = node.Parent();
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
