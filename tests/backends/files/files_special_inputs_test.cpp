// Files a configuration names, and seeds, must be regular files within their limits: a FIFO,
// a device or a folder in their place is refused at once by name (never a hang, never an
// endless read), wherever the file is named: the configuration itself, an LDAP password file,
// smb.conf and the files it includes, a JSON seed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "backends/files/files_test_util.h"
#include "moxtrel/backends/configuration.h"
#include "moxtrel/backends/samba/smb_conf_text.h"
#include "moxtrel/memory/memory_directory.h"

namespace moxtrel::testing {
namespace {

using ::testing::HasSubstr;

class SpecialInputsTest : public ::testing::Test {
 protected:
  SpecialInputsTest() {
    char pattern[] = "/tmp/moxtrel-special-XXXXXX";
    if (!::mkdtemp(pattern)) std::abort();
    dir = pattern;
    fifo = dir + "/fifo";
    ::mkfifo(fifo.c_str(), 0600);
  }
  ~SpecialInputsTest() override {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(dir + "/" + name) << text;
    return dir + "/" + name;
  }

  std::string dir, fifo;
};

std::string ConfigurationErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const directory::ConfigurationError& e) {
    return e.what();
  }
  return "";
}

TEST_F(SpecialInputsTest, TheConfigurationAndThePasswordFileItNames) {
  EXPECT_THAT(ConfigurationErrorOf([&] { directory::LoadConfiguration(fifo); }),
              HasSubstr(fifo + ": Is a FIFO (named pipe), not a regular file"));
  EXPECT_THAT(ConfigurationErrorOf([&] { directory::LoadConfiguration(dir); }),
              HasSubstr("Is a directory"));
  EXPECT_THAT(ConfigurationErrorOf([&] { directory::LoadConfiguration("/dev/zero"); }),
              HasSubstr("Is a character device"));
  const std::string big = Write("big.toml", "");
  ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(directory::kMaxConfigurationBytes) + 1), 0);
  EXPECT_THAT(ConfigurationErrorOf([&] { directory::LoadConfiguration(big); }),
              HasSubstr("Is larger than 1 MiB"));
  const std::string toml = Write("ldap.toml",
                                 "[domains.CORP]\nldap = \"ldap://127.0.0.1:1\"\nbase = \"dc=x\"\n"
                                 "password_file = \"fifo\"\n");
  EXPECT_THAT(ConfigurationErrorOf([&] { directory::LoadConfiguration(toml); }),
              HasSubstr("domains.CORP.password_file: " + fifo + ": Is a FIFO"));
}

TEST_F(SpecialInputsTest, SmbConfAndEveryFileItIncludes) {
  EXPECT_THAT(ErrorOf([&] { backends::samba::ReadSmbConf(fifo); }).message, HasSubstr("Is a FIFO"));
  const std::string conf = Write("smb.conf", "[a]\npath = /a\ninclude = " + fifo + "\n");
  Thrown t = ErrorOf([&] { backends::samba::ReadSmbConf(conf); });
  EXPECT_THAT(t.message, HasSubstr(fifo + ": Is a FIFO (named pipe), not a regular file"));
  Write("dev.conf", "include = /dev/zero\n");
  EXPECT_THAT(ErrorOf([&] { backends::samba::ReadSmbConf(dir + "/dev.conf"); }).message,
              HasSubstr("/dev/zero: Is a character device"));
  // Files that include each other are bounded in total as well as by depth.
  const std::string chunk(3 << 20, '#');
  Write("loop.conf", chunk + "\ninclude = " + dir + "/loop.conf\n");
  EXPECT_THAT(ErrorOf([&] { backends::samba::ReadSmbConf(dir + "/loop.conf"); }).message,
              HasSubstr("hold more than 16 MiB"));
}

TEST_F(SpecialInputsTest, JsonSeeds) {
  try {
    directory::MemoryDirectory::FromFile(fifo);
    ADD_FAILURE() << "a FIFO loaded";
  } catch (const directory::SeedError& e) {
    EXPECT_THAT(e.what(), HasSubstr("the file cannot be read: Is a FIFO"));
  }
}

}  // namespace
}  // namespace moxtrel::testing
