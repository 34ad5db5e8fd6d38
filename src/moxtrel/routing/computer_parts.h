// ComputerParts: one computer served by several backends, each for some kinds of object, so a
// computer's users and groups can come from its account files while its print queues come from
// a print server. The Router sees it as the computer's one backend.
//
//   auto pc = std::make_shared<ComputerParts>(u"PC1");
//   pc->Add({ObjectKind::kUser, ObjectKind::kGroup}, files_backend);  // also serves PC1 itself
//   pc->Add({ObjectKind::kPrintQueue, ObjectKind::kPrintJob}, print_backend);
//   router->AddComputer(u"PC1", pc);
//
// The computer object is the first part's, except that its container calls go to the part that
// serves the class asked for: enumeration with a filter lists each part that serves a filtered
// class (all parts, in order, without a filter), Create and Delete go by class word, MoveHere by
// the kind of the object moved. A path without a class word that could name several kinds is
// tried on each part in order.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/directory/path.h"
#include "moxtrel/directory/provider.h"

namespace moxtrel::directory {

class ComputerParts final : public DirectoryProvider,
                            public std::enable_shared_from_this<ComputerParts> {
 public:
  explicit ComputerParts(std::u16string computer);

  // Throws errc::kInvalidArg for no backend, no kinds, or a kind another part serves already.
  void Add(std::vector<ObjectKind> kinds, std::shared_ptr<DirectoryProvider> backend);

  std::shared_ptr<IADs> GetObject(std::u16string_view path) override;

  struct Part {
    std::vector<ObjectKind> kinds;
    std::shared_ptr<DirectoryProvider> backend;
    bool Serves(ObjectKind kind) const;
  };
  const std::vector<Part>& Parts() const noexcept { return parts_; }
  // The part that serves `kind`, or nullptr.
  const Part* PartFor(ObjectKind kind) const;
  // What a kind's objects are called in messages: "print queues".
  std::u16string Missing(ObjectKind kind) const;

 private:
  // The kind a path names, when its shape or class word tells; nullopt when it could be several.
  std::optional<ObjectKind> KindOf(const ParsedPath& parsed) const;

  std::u16string computer_;
  std::vector<Part> parts_;
};

}  // namespace moxtrel::directory
