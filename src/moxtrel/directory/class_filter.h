// A container's Filter: the class words a caller set, checked once, as the object kinds an
// enumeration lists. Every provider's containers keep one, so they all accept and refuse alike.
//
//   ClassFilter filter;
//   filter.Set(Variant(words), u"Filter of WinNT://PC1");   // throws before changing anything
//   if (filter.Allows(ObjectKind::kUser)) ...
#pragma once

#include <string_view>
#include <vector>

#include "moxtrel/directory/path.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel::directory {

class ClassFilter {
 public:
  // Takes a class word, an array of class words, or Empty (every kind). A word that names no
  // class is errc::kUnknownObject and anything else errc::kTypeMismatch, each naming `where`.
  void Set(const Variant& class_words, std::u16string_view where);
  // What Filter reads back: Empty when no word is set.
  const Variant& value() const noexcept { return value_; }
  bool Allows(ObjectKind kind) const noexcept;

 private:
  Variant value_;
  std::vector<ObjectKind> kinds_;
};

}  // namespace moxtrel::directory
