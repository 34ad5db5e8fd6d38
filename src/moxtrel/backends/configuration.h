// LoadConfiguration: builds the provider a configuration file describes, a Router that sends
// each domain and computer to its backend. The file format is TOML, documented in
// docs/configuration.md:
//
//   [computers.this]                 # "this" is the name gethostname() returns
//   accounts = "files"               # users and groups from passwd, group, shadow, gshadow
//   root = "/"                       # where those files live (tests use a private tree)
//
//   [domains.HARBOR]
//   seed = "examples/sample-directory.json"   # an embedded directory seeded from JSON
//
//   directory::SetCurrentProvider(directory::LoadConfiguration("moxtrel.toml"));
//
// Relative file names are taken from the configuration file's folder. Secrets are never written
// in the file: a backend that needs one names a file or an environment variable.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "moxtrel/routing/router.h"

namespace moxtrel::directory {

// A configuration that cannot be used: "file:line: key: what is wrong".
class ConfigurationError : public std::runtime_error {
 public:
  ConfigurationError(const std::string& file, int line, const std::string& key,
                     const std::string& message);
  const std::string& file() const noexcept { return file_; }
  int line() const noexcept { return line_; }
  // "key: what is wrong", without the file and line.
  const std::string& message() const noexcept { return message_; }

 private:
  std::string file_;
  std::string message_;
  int line_;
};

// The most read from a configuration file and from a password file it names; only regular
// files are read (a folder, a FIFO or a device is refused by name).
inline constexpr std::size_t kMaxConfigurationBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxPasswordFileBytes = std::size_t{64} << 10;

// The variable that names a configuration file when the command line does not.
inline constexpr const char* kConfigEnvironmentVariable = "MOXTREL_CONFIG";

std::shared_ptr<Router> LoadConfiguration(const std::string& file);
// The same from TOML text; `file` names it in errors and relative paths start at its folder.
std::shared_ptr<Router> ParseConfiguration(std::string_view text, const std::string& file);
// Checks TOML text as ParseConfiguration does, but builds no backend: it reads no other file
// and contacts no server. Throws ConfigurationError.
void CheckConfiguration(std::string_view text, const std::string& file);

}  // namespace moxtrel::directory
