// Fuzz target: configuration files through directory::CheckConfiguration, which parses and
// checks every section and key but builds no backend, so no input reads another file or
// reaches a server. A ConfigurationError is an outcome; anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "moxtrel/backends/builtin_backends.h"
#include "moxtrel/backends/configuration.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = [] {
    moxtrel::directory::RegisterBuiltinBackends(moxtrel::directory::BackendRegistry::Global());
    return true;
  }();
  (void)registered;
  try {
    moxtrel::directory::CheckConfiguration(
        std::string_view(reinterpret_cast<const char*>(data), size), "/fuzz/moxtrel.toml");
  } catch (const moxtrel::directory::ConfigurationError&) {
  }
  return 0;
}
