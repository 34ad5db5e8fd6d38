// What a host (the script host, the Python module) serves its objects from, chosen and opened
// the one way both do: a configuration file, a seed file for the embedded directory, or the
// built-in sample, with MOXTREL_CONFIG naming the configuration when the host was given
// neither. What is opened comes wrapped in a journal layer that keeps no journal, so a trapped
// failure can name the directory call that failed.
//
//   auto source = host::ChooseSource(config_option, directory_option);
//   host::OpenedDirectory opened = host::Open(source);  // throws what the loading threw
//   directory::SetCurrentProvider(opened.layer);
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "moxtrel/journal/journal_layer.h"
#include "moxtrel/memory/memory_directory.h"

namespace moxtrel::host {

struct DirectorySource {
  enum class Kind { kSample, kSeed, kConfig };
  Kind kind = Kind::kSample;
  std::string path;  // the seed or configuration file; empty for the sample

  // "(built-in sample)" or the path, for messages.
  std::string Shown() const;
};

// The configuration MOXTREL_CONFIG names; empty when it is unset or empty, which both mean
// "no configuration".
std::string ConfigFromEnvironment();

// The configuration when one is given, else the seed file when one is given, else the
// configuration of the environment, else the sample. A host refuses both at once itself, in
// its own words, before asking; here the configuration wins.
DirectorySource ChooseSource(std::string_view config, std::string_view seed);

struct OpenedDirectory {
  std::shared_ptr<directory::JournalLayer> layer;  // what serves: the provider, wrapped
  // The embedded directory behind the layer (the sample or a seed), for its back doors; null
  // when a configuration routes to its backends.
  std::shared_ptr<directory::MemoryDirectory> embedded;
};

// Loads `source`. A configuration's faults throw directory::ConfigurationError, a seed's
// directory::SeedError; anything else the loading meets passes as it was thrown.
OpenedDirectory Open(const DirectorySource& source);

}  // namespace moxtrel::host
