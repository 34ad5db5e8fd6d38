// HostObject: objects the script host itself provides (Err, Directory). They answer member
// calls by name here instead of through the dispatch layer, so a script reaches them the same
// way it reaches the object model: `Err.Number`, `Directory.SubmitJob q, "a.pdf", "ann", 3`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/frame/object.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel::script {

class HostObject : public AutomationObject {
 public:
  // `flags` are the dispatch flags (get, put, method); throws RuntimeError.
  virtual Variant Call(std::u16string_view member, uint16_t flags, std::vector<Variant>& args) = 0;
  // "Number (get, put)", ... for :members.
  virtual std::vector<std::string> Describe() const = 0;
  // What For Each walks; nullopt for an object that holds no items.
  virtual std::optional<std::vector<Variant>> Items() const { return std::nullopt; }
};

}  // namespace moxtrel::script
