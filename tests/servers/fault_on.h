// FaultOn: a one-line fault for the embedded directory. A helper rather than designated
// initializers, which GCC flags as missing-field-initializers when fields are left out.
#pragma once

#include <cstdint>
#include <string>

#include "moxtrel/directory/fault_injector.h"

namespace moxtrel::testing {

inline directory::Fault FaultOn(std::u16string member, std::u16string path = {},
                                int32_t ordinal = 1) {
  directory::Fault fault;
  fault.member = std::move(member);
  fault.path = std::move(path);
  fault.ordinal = ordinal;
  return fault;
}

}  // namespace moxtrel::testing
