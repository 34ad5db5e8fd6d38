// NameSet: a set of names compared without regard to case, as the keys of a collection are.
// Its hash table lives in the source file, so a client of the header needs no hash table
// library.
//
//   NameSet seen;
//   seen.Insert(u"Report");
//   seen.Contains(u"REPORT");   // true
#pragma once

#include <memory>
#include <string_view>

namespace moxtrel {

class NameSet {
 public:
  NameSet();
  ~NameSet();
  NameSet(const NameSet&) = delete;
  NameSet& operator=(const NameSet&) = delete;

  bool Contains(std::u16string_view name) const noexcept;
  // False when the name was there already.
  bool Insert(std::u16string_view name);
  void Clear() noexcept;

 private:
  struct Table;
  std::unique_ptr<Table> table_;
};

}  // namespace moxtrel
