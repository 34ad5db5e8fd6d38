// An enumeration over what a container listed when the walk began: later changes to the
// directory do not disturb a walk under way. Each item is made into its handle only when Next
// reaches it, and handed over once (moved, not copied).
//
//   std::vector<Target> found = ...;   // listed now
//   return EnumSnapshot(std::move(found),
//                       [ctx](Target&& t) { return MakeHandle(ctx, std::move(t)); });
//   return EnumSnapshot(std::move(handles));   // handles made already
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "moxtrel/directory/ads.h"

namespace moxtrel::directory {

// `Make` turns an `Item&&` into a std::shared_ptr<IADs>.
template <typename Item, typename Make>
class SnapshotEnum final : public IADsEnum {
 public:
  SnapshotEnum(std::vector<Item> items, Make make)
      : items_(std::move(items)), make_(std::move(make)) {}

  std::shared_ptr<IADs> Next() override {
    if (pos_ >= items_.size()) return nullptr;
    return make_(std::move(items_[pos_++]));
  }
  std::size_t Remaining() const override { return items_.size() - pos_; }

 private:
  std::vector<Item> items_;
  Make make_;
  std::size_t pos_ = 0;
};

template <typename Item, typename Make>
std::unique_ptr<IADsEnum> EnumSnapshot(std::vector<Item> items, Make make) {
  return std::make_unique<SnapshotEnum<Item, Make>>(std::move(items), std::move(make));
}

inline std::unique_ptr<IADsEnum> EnumSnapshot(std::vector<std::shared_ptr<IADs>> handles) {
  return EnumSnapshot(std::move(handles), [](std::shared_ptr<IADs>&& h) { return std::move(h); });
}

}  // namespace moxtrel::directory
