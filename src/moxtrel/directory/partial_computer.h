// A computer a backend serves in part (its printing, its file shares): it names itself and
// lists what the backend holds of it, and nothing more. Its facts read empty, its Put is
// refused naming what the backend serves, its Filter lets only its own kinds through, and a
// Create, Delete or MoveHere it does not override is refused.
//
//   constexpr ObjectKind kQueues[] = {ObjectKind::kPrintQueue};
//   constexpr ServedPart kServed{u"the CUPS backend", u"the computer's printing",
//                                u"print queues and jobs", kQueues};
//   class CupsComputer final : public ContextComputer<CupsContext, PartialComputer> {
//     CupsComputer(ContextPtr ctx) : ContextComputer(std::move(ctx), kServed) {}
//     std::unique_ptr<IADsEnum> NewEnum() override {   // if (Lists(kPrintQueue)) ...
//   };
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "moxtrel/directory/ads.h"
#include "moxtrel/directory/backend_computer.h"
#include "moxtrel/directory/path.h"

namespace moxtrel::directory {

// What a backend serves of a computer, as its refusals name it: a constant of the backend.
struct ServedPart {
  std::u16string_view backend;        // "the CUPS backend"
  std::u16string_view of_computer;    // "the computer's printing": a refused Put names it
  std::u16string_view objects;        // "print queues and jobs": a refused Create names it
  std::span<const ObjectKind> kinds;  // what the computer lists

  // errc::kNotSupported: "`what` in `where`: `backend` serves only `objects`".
  [[noreturn]] void Refuse(std::u16string_view where, std::u16string_view what) const;
};

class PartialComputer : public BackendComputer {
 public:
  // `served` must outlive the handle (a constant of the backend).
  PartialComputer(std::shared_ptr<const ComputerAddress> address, const ServedPart& served)
      : BackendComputer(std::move(address)), served_(&served) {}

  // The computer's facts are not the backend's to give: they read empty.
  Variant Get(std::u16string_view) override { return Variant(u""); }
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override {}

  std::shared_ptr<IADs> Create(std::u16string_view class_word, std::u16string_view name) override;
  void Delete(std::u16string_view class_word, std::u16string_view name) override;
  std::shared_ptr<IADs> MoveHere(std::u16string_view source_path,
                                 std::u16string_view new_name) override;

 protected:
  // Whether NewEnum lists `kind`: one of the computer's own that the filter lets through.
  bool Lists(ObjectKind kind) const noexcept;
  const ServedPart& served() const noexcept { return *served_; }

 private:
  const ServedPart* served_;
};

}  // namespace moxtrel::directory
