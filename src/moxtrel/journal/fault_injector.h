// FaultInjector: makes chosen provider calls fail, to test how the object model traps or passes
// on failures. A JournalLayer owns one and checks it on every call it passes on, whatever the
// provider behind it.
//
//   layer->Faults().Add({.member = u"IADs.SetInfo", .path = u"WinNT://CORP/*"});
//   layer->Faults().Add({.member = u"IADsEnum.Next", .ordinal = 3});   // the third call only
//   layer->Faults().Add({.member = u"GetObject", .persistent = true,
//                        .code = errc::kNetworkUnreachable});         // every bind from now on
//   EXPECT_EQ(layer->Faults().Fired(), 1u);  // a fault that never fired is a test that tested
//   nothing
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/frame/error_codes.h"

namespace moxtrel::directory {

// A status code that takes the errc constants (unsigned) and plain int32_t values alike, so
// `.code = errc::kAccessDenied` is not a narrowing conversion.
struct FaultCode {
  int32_t value;
  constexpr FaultCode(int32_t v) : value(v) {}
  constexpr FaultCode(uint32_t v) : value(static_cast<int32_t>(v)) {}
  constexpr operator int32_t() const { return value; }
};

struct Fault {
  // "Interface.member" or a bare member ("SetInfo", "GetObject", "Next", "FullName.put"); "*"
  // matches every call, so `.member = u"*", .ordinal = n` fails the n-th call whatever it is.
  std::u16string member{};
  // Glob (* and ?) matched without regard to case against the path of the call; empty = any.
  std::u16string path{};
  // The call that fails is the ordinal-th call matching member and path (1 = the next one).
  int32_t ordinal = 1;
  // Keep failing every matching call from the ordinal-th on; otherwise fail once.
  bool persistent = false;
  FaultCode code = errc::kFail;
  std::u16string description = u"Injected failure";
};

class FaultInjector {
 public:
  void Add(Fault fault);
  void Clear() noexcept {
    faults_.clear();
    fired_ = 0;
  }
  bool Empty() const noexcept { return faults_.empty(); }
  // How many calls an armed fault has failed since the last Clear.
  std::size_t Fired() const noexcept { return fired_; }
  // The faults added since the last Clear that have not failed any call, as "member path".
  std::vector<std::u16string> NeverFired() const;
  // Called by the directory for each call; throws AutomationError when a fault fires.
  void Check(std::u16string_view interface, std::u16string_view member, std::u16string_view path);

 private:
  struct Armed {
    Fault fault;
    int32_t seen = 0;
    int32_t fired = 0;
    bool spent = false;
  };
  std::vector<Armed> faults_;
  std::size_t fired_ = 0;
};

}  // namespace moxtrel::directory
