// A container's Filter, kept by a ClassFilter: set and read back alike by every backend's
// containers, a refused word naming the container. NewEnum lists a kind when Allows(kind).
//
//   class FilesComputer final : public directory::BackendComputer ... // a FilteredContainer
//     MOX_CONTAINER_MEMBERS   // NewEnum, Create, Delete and MoveHere, defined by FilesComputer
//   };
//   ... FilesComputer::NewEnum() { if (Allows(ObjectKind::kUser)) ... }
#pragma once

#include <memory>
#include <string_view>

#include "moxtrel/directory/ads.h"
#include "moxtrel/directory/class_filter.h"
#include "moxtrel/directory/path.h"

namespace moxtrel::directory {

class FilteredContainer : public virtual IADsContainer {
 public:
  void Filter(const Variant& class_words) override {
    filter_.Set(class_words, u"Filter of " + ADsPath());
  }
  Variant Filter() override { return filter_.value(); }

 protected:
  bool Allows(ObjectKind kind) const noexcept { return filter_.Allows(kind); }

 private:
  ClassFilter filter_;
};

}  // namespace moxtrel::directory

// Declares the members a container defines itself, in a handle class's public section.
#define MOX_CONTAINER_MEMBERS                                                            \
  std::unique_ptr<::moxtrel::directory::IADsEnum> NewEnum() override;                    \
  std::shared_ptr<::moxtrel::directory::IADs> Create(std::u16string_view class_word,     \
                                                     std::u16string_view name) override; \
  void Delete(std::u16string_view class_word, std::u16string_view name) override;        \
  std::shared_ptr<::moxtrel::directory::IADs> MoveHere(std::u16string_view source_path,  \
                                                       std::u16string_view new_name) override;
