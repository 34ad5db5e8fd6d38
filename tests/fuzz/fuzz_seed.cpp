// Fuzz target: JSON text through the seed loader. A SeedError is an outcome; a crash, a
// sanitizer report or any other exception is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "moxtrel/memory/memory_directory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    moxtrel::directory::MemoryDirectory::FromJson(
        std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.json");
  } catch (const moxtrel::directory::SeedError&) {
  }
  return 0;
}
