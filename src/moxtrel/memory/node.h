// Node: one object of the embedded directory's namespace tree. Containers own their children;
// a child knows its parent through a weak pointer. Group membership is held both ways: a group
// lists its members in the order they were added, an account lists the groups it is in.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <absl/container/flat_hash_map.h>

#include "moxtrel/directory/path.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/variant.h"
#include "moxtrel/memory/attribute_map.h"

namespace moxtrel::directory {

struct Node;
using NodePtr = std::shared_ptr<Node>;

// Names are unique per namespace of a container: users and groups share one, the others have
// their own.
enum class Namespace : uint8_t {
  kAccounts,
  kComputers,
  kServices,
  kQueues,
  kShares,
  kFileServices,
  kJobs
};
inline constexpr std::size_t kNamespaceCount = 7;
Namespace NamespaceOf(ObjectKind kind) noexcept;

enum class Life : uint8_t { kPending, kLive, kDeleted };

struct Node {
  using ChildList = std::list<NodePtr>;
  using ChildIndex =
      absl::flat_hash_map<std::u16string, ChildList::iterator, NoCaseHash, NoCaseEqual>;
  // What only containers hold, kept apart so that the many leaf objects stay small.
  struct Contents {
    ChildList children;  // in insertion order
    std::array<ChildIndex, kNamespaceCount> index;
    // The container's own path, kept so that a listing builds each member's path and its
    // parent's from it without walking the chain; set when the part is made, renewed by
    // RenewPaths after a rename or move.
    std::u16string path;
    int32_t next_job_number = 1;  // a queue names its jobs by counting up

    void Reserve(Namespace ns, std::size_t more) {
      auto& map = index[static_cast<std::size_t>(ns)];
      map.reserve(map.size() + more);
    }
  };

  ObjectKind kind;
  Life life = Life::kPending;
  uint32_t serial = 0;  // makes the GUID and SID unique
  std::u16string name;  // as stored: original case
  std::weak_ptr<Node> parent;
  // The same container, set with `parent`: while the object is live its container holds it, so
  // the container can be read through this without taking a reference.
  Node* up = nullptr;
  AttributeMap attributes;

  std::vector<NodePtr> members;                // a group's members, in the order added
  std::unordered_set<const Node*> member_set;  // the same, for O(1) membership tests
  std::vector<std::weak_ptr<Node>> groups;     // the groups an account is in, in the order added
  std::u16string password;                     // never readable

  // The children in insertion order; empty for an object that never held any.
  const ChildList& Children() const noexcept;
  // The container part, made when first needed.
  Contents& Own();
  // The container's kept path, or null for an object that holds no container part.
  const std::u16string* KeptPath() const noexcept { return contents_ ? &contents_->path : nullptr; }
  // Builds the kept paths of this object and every container below it again, after a rename
  // or move changed them.
  void RenewPaths();
  std::size_t CountIn(Namespace ns) const noexcept;

  // The child named `name` in any namespace, in namespace order; used by path resolution.
  void ChildrenNamed(std::u16string_view child_name, std::vector<NodePtr>& out) const;
  NodePtr ChildIn(Namespace ns, std::u16string_view child_name) const;
  NodePtr Parent() const { return parent.lock(); }

 private:
  std::unique_ptr<Contents> contents_;
};

// "WinNT://CORP", "WinNT://CORP/PC1", "WinNT://CORP/PC1/LanmanServer/DATA", ...
std::u16string CanonicalPath(const Node& node);
// The canonical path of the container; "WinNT:" for a domain or a workgroup computer.
std::u16string ParentPath(const Node& node);
// The computer an object of a computer belongs to; null for domains, computers and accounts
// of a domain.
NodePtr HostComputerOf(const Node& node);
// The domain an object belongs to, through its computer if it has one; null in a workgroup.
NodePtr DomainOf(const Node& node);

}  // namespace moxtrel::directory
