// A container's Filter, kept by a ClassFilter: set and read back alike by every backend's
// containers, a refused word naming the container. NewEnum lists a kind when Allows(kind).
//
//   class FilesComputer final : public directory::BackendComputer ... // a FilteredContainer
//     if (Allows(ObjectKind::kUser)) ...
#pragma once

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
