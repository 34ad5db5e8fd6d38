// Helpers shared by the files backend tests: the error a call throws, and a provider on a tree.
#pragma once

#include <functional>
#include <string>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::testing {

struct Thrown {
  int32_t code = 0;
  std::string message;  // UTF-8, for EXPECT_THAT(..., HasSubstr(...))
};

inline Thrown ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return {e.code(), ToUtf8(e.description())};
  }
  return {};
}

inline int32_t Code(uint32_t c) {
  return static_cast<int32_t>(c);
}

}  // namespace moxtrel::testing
