#include "moxtrel/directory/backend_registry.h"

#include <algorithm>
#include <stdexcept>

namespace moxtrel::directory {

AuditArea AuditAreaOf(const std::vector<ObjectKind>& kinds) {
  for (ObjectKind kind : kinds) {
    switch (kind) {
      case ObjectKind::kPrintQueue:
      case ObjectKind::kPrintJob:
        return AuditArea::kPrinting;
      case ObjectKind::kFileService:
      case ObjectKind::kFileShare:
        return AuditArea::kShares;
      case ObjectKind::kService:
        return AuditArea::kServices;
      default:
        break;
    }
  }
  return AuditArea::kAccounts;
}

std::string QuotedChoice(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += "\"" + names[i] + "\"";
  }
  return text;
}

BackendRegistry& BackendRegistry::Global() {
  static BackendRegistry* registry = new BackendRegistry;
  return *registry;
}

void BackendRegistry::Add(BackendType type) {
  if (type.name.empty()) throw std::invalid_argument("a backend type needs a name");
  if (type.kinds.empty() || !type.check || !type.build) {
    throw std::invalid_argument("backend type " + type.name +
                                ": give its kinds, its check and its build");
  }
  if (!type.domains && type.selector.empty()) {
    throw std::invalid_argument("backend type " + type.name + ": a computer part needs a selector");
  }
  std::lock_guard lock(mutex_);
  for (const auto& t : types_) {
    if (t.name == type.name) {
      throw std::invalid_argument("backend type " + type.name + " is registered already");
    }
  }
  types_.push_back(std::move(type));
}

bool BackendRegistry::Remove(const std::string& name) {
  std::lock_guard lock(mutex_);
  const auto it = std::find_if(types_.begin(), types_.end(),
                               [&](const BackendType& t) { return t.name == name; });
  if (it == types_.end()) return false;
  types_.erase(it);
  return true;
}

std::optional<BackendType> BackendRegistry::Find(const std::string& name) const {
  std::lock_guard lock(mutex_);
  for (const auto& t : types_) {
    if (t.name == name) return t;
  }
  return std::nullopt;
}

std::vector<BackendType> BackendRegistry::Types() const {
  std::lock_guard lock(mutex_);
  return types_;
}

std::vector<std::string> BackendRegistry::NamesFor(const std::string& selector) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (const auto& t : types_) {
    if (!t.domains && t.selector == selector) names.push_back(t.name);
  }
  // The default first, whenever it was registered.
  std::stable_partition(names.begin(), names.end(), [&](const std::string& name) {
    return std::any_of(types_.begin(), types_.end(),
                       [&](const BackendType& t) { return t.name == name && t.is_default; });
  });
  return names;
}

std::vector<std::string> BackendRegistry::DomainNames() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (const auto& t : types_) {
    if (t.domains) names.push_back(t.name);
  }
  return names;
}

std::vector<KindSelector> BackendRegistry::Selectors() const {
  std::lock_guard lock(mutex_);
  std::vector<KindSelector> selectors;
  for (const auto& t : types_) {
    if (t.domains) continue;
    auto it = std::find_if(selectors.begin(), selectors.end(),
                           [&](const KindSelector& s) { return s.key == t.selector; });
    if (it == selectors.end()) {
      const bool main =
          std::find(t.kinds.begin(), t.kinds.end(), ObjectKind::kUser) != t.kinds.end();
      selectors.push_back({t.selector, t.kinds, {}, main});
      it = selectors.end() - 1;
    }
    if (t.is_default && it->fallback.empty()) it->fallback = t.name;
  }
  std::stable_partition(selectors.begin(), selectors.end(),
                        [](const KindSelector& s) { return s.main; });
  return selectors;
}

}  // namespace moxtrel::directory
