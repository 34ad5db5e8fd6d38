#include "moxtrel/frame/name_set.h"

#include <absl/container/flat_hash_set.h>

#include <string>

#include "moxtrel/frame/text.h"

namespace moxtrel {

struct NameSet::Table {
  absl::flat_hash_set<std::u16string, NoCaseHash, NoCaseEqual> names;
};

NameSet::NameSet() : table_(std::make_unique<Table>()) {}
NameSet::~NameSet() = default;

bool NameSet::Contains(std::u16string_view name) const noexcept {
  return table_->names.contains(name);
}

bool NameSet::Insert(std::u16string_view name) {
  return table_->names.emplace(name).second;
}

void NameSet::Clear() noexcept {
  table_->names.clear();
}

}  // namespace moxtrel
