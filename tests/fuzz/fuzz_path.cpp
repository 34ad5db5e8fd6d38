// Fuzz target: directory paths through directory::ParsePath, read as UTF-16 code units. An
// AutomationError is an outcome; a crash, a sanitizer report or another exception is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "moxtrel/directory/path.h"
#include "moxtrel/frame/automation_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Each byte below 0x80 is one character, so ASCII corpus files read as written; a higher
  // byte starts a two-byte code unit.
  std::u16string path;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t b = data[i];
    if (b < 0x80 || i + 1 == size) {
      path += static_cast<char16_t>(b);
    } else {
      path += static_cast<char16_t>((b << 8) | data[++i]);
    }
  }
  try {
    const auto parsed = moxtrel::directory::ParsePath(path);
    (void)parsed;
  } catch (const moxtrel::AutomationError&) {
  }
  return 0;
}
