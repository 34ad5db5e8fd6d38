// DirectoryCore: the embedded directory's state and rules, shared by the MemoryDirectory, its
// builder and every bound handle (handles keep it alive, so a handle never dangles). Whoever
// touches the state holds Lock() while doing so.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "moxtrel/memory/attributes.h"
#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/memory/node.h"

namespace moxtrel::directory {

class DirectoryCore {
 public:
  using NameMap = std::unordered_map<std::u16string, NodePtr, NoCaseHash, NoCaseEqual>;

  using Guard = std::unique_lock<std::recursive_mutex>;

  std::vector<std::u16string> shutdown_requests;

  // Every call on the directory holds this for as long as it runs: one call at a time, from
  // any thread. Recursive, since a call may read through another public entry.
  [[nodiscard]] Guard Lock() const { return Guard(mutex_); }

  // The live object a path names; AutomationError when the path is bad or names nothing.
  NodePtr Resolve(std::u16string_view path) const;
  // Resolve, and refuse an object of another kind than `kind`.
  NodePtr ResolveAs(std::u16string_view path, ObjectKind kind) const;

  // A new object with its defaults, not yet in the tree (it exists after Attach).
  NodePtr NewNode(ObjectKind kind, std::u16string name, const NodePtr& parent);
  // Puts a new object into its container: checks the name and that it is free.
  void Attach(const NodePtr& node);
  // Removes an object, its children and its memberships; its handles fail from then on.
  void Remove(const NodePtr& node);
  // Renames an object, or moves it into another container of the same kind.
  void MoveTo(const NodePtr& node, const NodePtr& container, std::u16string_view new_name);

  // Throws errc::kInvalidArg when `container` cannot hold an object of `kind`.
  static void CheckHolds(const Node& container, ObjectKind kind);
  // Throws errc::kObjectExists when the name is taken in the container's namespace.
  void CheckFree(const NodePtr& container, ObjectKind kind, std::u16string_view name,
                 const Node* except = nullptr) const;

  // Group membership: the rules of global and local groups, no duplicates.
  void AddMember(const NodePtr& group, const NodePtr& member);
  void RemoveMember(const NodePtr& group, const NodePtr& member);
  // Why `group` cannot hold `member`, or nothing when it can.
  static std::optional<std::u16string> MembershipRefused(const Node& group, const Node& member);

  // Every object, attribute, member and password (hashed) as sorted text: two snapshots are
  // equal exactly when the directories hold the same.
  std::u16string Snapshot() const;

  // Seeding: sets an attribute, bypassing the read-only rule but not the type rule.
  static void SeedAttribute(Node& node, std::u16string_view name, const Variant& value);
  // A new print job in a queue, named by the queue's next free number unless `name` is given;
  // a chosen name follows the rules of every other name.
  NodePtr AddJob(const NodePtr& queue, const Attributes& attributes, std::u16string_view name = {});
  // The number the queue's next numbered job gets: its counter, past any job that already
  // holds that number as its name. The caller moves the counter past it once the job is in.
  static int32_t FreeJobNumber(const NodePtr& queue);

 private:
  mutable std::recursive_mutex mutex_;
  NameMap domains_;
  NameMap computers_;  // every computer, in a domain or not: computer names are unique
  uint32_t serial_ = 0;

  void RemoveFromParent(const NodePtr& node);
  void Forget(const NodePtr& node);
};

// Reads an attribute: a staged value first when `staged` holds one, then the stored one.
// errc::kPropertyNotFound names the attribute when the object holds none.
Variant ReadAttribute(const Node& node, const AttributeMap* staged, std::u16string_view name);

struct MemoryDirectory::State {
  std::shared_ptr<DirectoryCore> core = std::make_shared<DirectoryCore>();
};

}  // namespace moxtrel::directory
