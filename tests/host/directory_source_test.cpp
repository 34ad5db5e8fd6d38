// What a host serves from: the one choice both hosts make between a configuration, a seed and
// the sample, and what opening it hands back.
#include "moxtrel/host/directory_source.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "moxtrel/backends/configuration.h"
#include "moxtrel/directory/provider.h"

namespace moxtrel::testing {
namespace {

using host::DirectorySource;
using Kind = host::DirectorySource::Kind;

// Sets MOXTREL_CONFIG (or unsets it, given nullopt) for one test and puts it back after.
class ConfigVariable {
 public:
  explicit ConfigVariable(std::optional<std::string> value) {
    if (const char* before = getenv(directory::kConfigEnvironmentVariable)) before_ = before;
    if (value) {
      setenv(directory::kConfigEnvironmentVariable, value->c_str(), 1);
    } else {
      unsetenv(directory::kConfigEnvironmentVariable);
    }
  }
  ~ConfigVariable() {
    if (before_) {
      setenv(directory::kConfigEnvironmentVariable, before_->c_str(), 1);
    } else {
      unsetenv(directory::kConfigEnvironmentVariable);
    }
  }
  ConfigVariable(const ConfigVariable&) = delete;
  ConfigVariable& operator=(const ConfigVariable&) = delete;

 private:
  std::optional<std::string> before_;
};

class DirectorySourceTest : public ::testing::Test {
 protected:
  DirectorySourceTest() {
    char pattern[] = "/tmp/moxtrel-host-XXXXXX";
    if (mkdtemp(pattern)) folder_ = pattern;
  }
  ~DirectorySourceTest() override {
    std::error_code ec;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
  }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = folder_ + "/" + name;
    std::ofstream(path) << text;
    return path;
  }

  std::string folder_;
};

// Given options win over the environment; an empty variable names nothing, as an unset one.
TEST_F(DirectorySourceTest, ChoosesGivenFilesThenTheEnvironmentThenTheSample) {
  {
    ConfigVariable unset(std::nullopt);
    EXPECT_EQ(host::ChooseSource("", "").kind, Kind::kSample);
    EXPECT_EQ(host::ChooseSource("", "").Shown(), "(built-in sample)");
    const DirectorySource seed = host::ChooseSource("", "corp.json");
    EXPECT_EQ(seed.kind, Kind::kSeed);
    EXPECT_EQ(seed.Shown(), "corp.json");
    EXPECT_EQ(host::ChooseSource("a.toml", "").kind, Kind::kConfig);
  }
  {
    ConfigVariable empty("");
    EXPECT_EQ(host::ConfigFromEnvironment(), "");
    EXPECT_EQ(host::ChooseSource("", "").kind, Kind::kSample);
  }
  {
    ConfigVariable named("/etc/moxtrel/site.toml");
    const DirectorySource chosen = host::ChooseSource("", "");
    EXPECT_EQ(chosen.kind, Kind::kConfig);
    EXPECT_EQ(chosen.path, "/etc/moxtrel/site.toml");
    EXPECT_EQ(host::ChooseSource("", "corp.json").kind, Kind::kSeed);
    EXPECT_EQ(host::ChooseSource("a.toml", "").path, "a.toml");
  }
}

// The sample and a seed come with their embedded directory, a configuration without one;
// each is wrapped in a layer that keeps no journal; a bad file throws its own error.
TEST_F(DirectorySourceTest, OpensEachSourceWrapped) {
  const host::OpenedDirectory sample = host::Open({});
  ASSERT_TRUE(sample.layer && sample.embedded);
  EXPECT_EQ(sample.layer->Journal().Capacity(), 0u);
  EXPECT_EQ(sample.layer->Inner(), sample.embedded);

  const std::string seed = Write("seed.json", R"({"domains": [{"name": "CORP"}]})");
  const host::OpenedDirectory seeded = host::Open({Kind::kSeed, seed});
  ASSERT_TRUE(seeded.embedded);
  EXPECT_EQ(seeded.layer->GetObject(u"WinNT://CORP,domain")->Name(), u"CORP");
  EXPECT_EQ(seeded.layer->Journal().Size(), 0u);

  const std::string config = Write("moxtrel.toml", "[computers.PC1]\naccounts = \"memory\"\n");
  const host::OpenedDirectory configured = host::Open({Kind::kConfig, config});
  EXPECT_FALSE(configured.embedded);
  EXPECT_EQ(configured.layer->GetObject(u"WinNT://PC1,computer")->Name(), u"PC1");

  EXPECT_THROW(host::Open({Kind::kSeed, Write("bad.json", "{")}), directory::SeedError);
  EXPECT_THROW(host::Open({Kind::kSeed, folder_ + "/missing.json"}), std::exception);
  EXPECT_THROW(host::Open({Kind::kConfig, Write("bad.toml", "[computers.PC1]\nroot = 5\n")}),
               directory::ConfigurationError);
  EXPECT_THROW(host::Open({Kind::kConfig, folder_ + "/missing.toml"}),
               directory::ConfigurationError);
}

}  // namespace
}  // namespace moxtrel::testing
