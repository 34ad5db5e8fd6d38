#include "moxtrel/host/directory_source.h"

#include <cstdlib>

#include "moxtrel/backends/configuration.h"

namespace moxtrel::host {

std::string DirectorySource::Shown() const {
  return kind == Kind::kSample ? std::string("(built-in sample)") : path;
}

std::string ConfigFromEnvironment() {
  const char* named = std::getenv(directory::kConfigEnvironmentVariable);
  return named ? std::string(named) : std::string();
}

DirectorySource ChooseSource(std::string_view config, std::string_view seed) {
  if (!config.empty()) return {DirectorySource::Kind::kConfig, std::string(config)};
  if (!seed.empty()) return {DirectorySource::Kind::kSeed, std::string(seed)};
  if (std::string named = ConfigFromEnvironment(); !named.empty()) {
    return {DirectorySource::Kind::kConfig, std::move(named)};
  }
  return {};
}

OpenedDirectory Open(const DirectorySource& source) {
  OpenedDirectory opened;
  std::shared_ptr<directory::DirectoryProvider> provider;
  switch (source.kind) {
    case DirectorySource::Kind::kConfig:
      provider = directory::LoadConfiguration(source.path);
      break;
    case DirectorySource::Kind::kSeed:
      opened.embedded = directory::MemoryDirectory::FromFile(source.path);
      provider = opened.embedded;
      break;
    case DirectorySource::Kind::kSample:
      opened.embedded = directory::MemoryDirectory::Sample();
      provider = opened.embedded;
      break;
  }
  opened.layer = directory::JournalLayer::Wrap(std::move(provider));
  opened.layer->Journal().SetCapacity(0);
  return opened;
}

}  // namespace moxtrel::host
