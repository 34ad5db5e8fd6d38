// AttributeMap: the attribute values one object of the embedded directory holds, keyed by
// name without regard to case. A directory may hold millions of objects with a dozen or more
// attributes each, most of them still at their class's default, so a map keeps only the
// values of its own in a small vector and reads the rest from a default table shared by every
// object of the class.
//
//   AttributeMap a(&user_defaults);
//   a.Find(u"fullname");      // the shared default until written
//   a[u"FullName"] = u"Ann";  // now the object's own value
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "moxtrel/frame/variant.h"

namespace moxtrel::directory {

class AttributeMap {
 public:
  struct Entry {
    std::u16string_view name;  // interned: lives as long as the process
    Variant value;
  };
  using Defaults = std::vector<Entry>;

  AttributeMap() = default;
  explicit AttributeMap(const Defaults* defaults) noexcept : defaults_(defaults) {}

  // The value held under `name`, the object's own or the default; null if neither.
  const Variant* Find(std::u16string_view name) const noexcept;
  // The object's own value under `name`, made from the default (or Empty) when it has none.
  Variant& operator[](std::u16string_view name);
  void Set(std::u16string_view name, Variant value) { (*this)[name] = std::move(value); }
  bool HasOwn() const noexcept { return !own_.empty(); }
  void Clear() noexcept { own_.clear(); }

  // Every name with its value, own values first, each name once.
  template <class F>
  void ForEach(F&& f) const {
    for (const auto& e : own_) f(e.name, e.value);
    if (!defaults_) return;
    for (const auto& e : *defaults_) {
      if (!FindOwn(e.name)) f(e.name, e.value);
    }
  }
  template <class F>
  void ForEachOwn(F&& f) {
    for (auto& e : own_) f(e.name, e.value);
  }

 private:
  const Variant* FindOwn(std::u16string_view name) const noexcept;

  std::vector<Entry> own_;
  const Defaults* defaults_ = nullptr;
};

// A process-lifetime copy of `name`, one per name regardless of case.
std::u16string_view InternAttributeName(std::u16string_view name);

}  // namespace moxtrel::directory
