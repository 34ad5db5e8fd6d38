// Enumerator: what NewEnum hands out, the for-each protocol of the automation runtime
// (next, skip, reset, clone). It keeps its source alive, so a collection may replace its
// store while a client is still walking the old one.
//
//   auto e = users->NewEnum();
//   while (auto item = e->Next()) use(*item);
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "moxtrel/frame/object.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel {

// Anything an enumerator can walk by position (0-based here; clients see 1-based positions).
class EnumerableSource {
 public:
  virtual ~EnumerableSource() = default;
  virtual int32_t Count() const = 0;
  virtual Variant ItemAt(int32_t zero_based) const = 0;
};

class Enumerator final : public AutomationObject {
 public:
  static std::shared_ptr<Enumerator> Create(std::shared_ptr<const EnumerableSource> source);

  // The next item, or nothing at the end.
  std::optional<Variant> Next();
  // Up to `count` items; fewer at the end.
  std::vector<Variant> Next(int32_t count);
  // Skips `count` items; false when fewer were left.
  bool Skip(int32_t count);
  void Reset() noexcept { position_ = 0; }
  std::shared_ptr<Enumerator> Clone() const;

  std::u16string_view TypeName() const noexcept override { return u"Enumerator"; }

 private:
  explicit Enumerator(std::shared_ptr<const EnumerableSource> source)
      : source_(std::move(source)) {}

  std::shared_ptr<const EnumerableSource> source_;
  int32_t position_ = 0;
};

}  // namespace moxtrel
