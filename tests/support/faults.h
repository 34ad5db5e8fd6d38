// FailOn: arms one fault of the embedded directory in one line. It takes the injector rather
// than the directory, so it keeps working wherever the faults live. A helper rather than
// designated initializers, which GCC flags as missing-field-initializers when fields are left
// out.
//
//   FailOn(layer->Faults(), u"GetObject", u"WinNT://CORP,domain");   // the next matching call
//   FailOn(layer->Faults(), u"IADsEnum.Next", {}, 2);                 // the second call only
#pragma once

#include <cstdint>
#include <string>

#include "moxtrel/journal/fault_injector.h"

namespace moxtrel::testing {

// Makes the `ordinal`-th call of `member` on `path` (any path when empty) fail; every
// matching call from then on when `persistent`.
inline void FailOn(directory::FaultInjector& faults, std::u16string member,
                   std::u16string path = {}, int32_t ordinal = 1, bool persistent = false) {
  directory::Fault fault;
  fault.member = std::move(member);
  fault.path = std::move(path);
  fault.ordinal = ordinal;
  fault.persistent = persistent;
  faults.Add(std::move(fault));
}

}  // namespace moxtrel::testing
