#include "moxtrel/memory/attribute_map.h"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>

#include "moxtrel/frame/text.h"

namespace moxtrel::directory {

namespace {

// An interned key is found by its address; any other spelling by comparing without case.
template <class Entries>
auto* Lookup(Entries& entries, std::u16string_view name) noexcept {
  for (auto& e : entries) {
    if (e.name.data() == name.data() && e.name.size() == name.size()) return &e.value;
  }
  for (auto& e : entries) {
    if (e.name.size() == name.size() && EqualsNoCase(e.name, name)) return &e.value;
  }
  return static_cast<decltype(&entries.front().value)>(nullptr);
}

}  // namespace

const Variant* AttributeMap::FindOwn(std::u16string_view name) const noexcept {
  return Lookup(own_, name);
}

const Variant* AttributeMap::Find(std::u16string_view name) const noexcept {
  if (const Variant* v = FindOwn(name)) return v;
  return defaults_ ? Lookup(*defaults_, name) : nullptr;
}

Variant& AttributeMap::operator[](std::u16string_view name) {
  if (Variant* v = Lookup(own_, name)) return *v;
  const Variant* fallback = Find(name);
  Entry entry{InternAttributeName(name), fallback ? *fallback : Variant()};
  // Most objects gain one or two values of their own: grow by one to keep them small.
  own_.reserve(own_.size() + 1);
  own_.push_back(std::move(entry));
  return own_.back().value;
}

std::u16string_view InternAttributeName(std::u16string_view name) {
  // Names come from the classes' attribute tables, so the set stays small; the strings are
  // never freed, as maps everywhere hold views of them.
  static std::mutex mutex;
  static auto* names = new std::unordered_set<std::u16string, NoCaseHash, NoCaseEqual>();
  std::lock_guard lock(mutex);
  auto it = names->find(name);
  if (it == names->end()) it = names->emplace(name).first;
  return *it;
}

}  // namespace moxtrel::directory
