// ReadRegularFile: regular files are read whole; a FIFO (even one no process writes to), a
// folder, a device or a file beyond the limit is refused at once with its kind named.
#include "moxtrel/platform/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <string>

namespace moxtrel::testing {
namespace {

using platform::ReadRegularFile;
using platform::RegularFileError;

std::string Reason(const std::string& path, std::size_t limit) {
  try {
    ReadRegularFile(path, limit);
  } catch (const RegularFileError& e) {
    EXPECT_EQ(std::string(e.what()), path + ": " + e.reason());
    return e.reason();
  }
  return "(read)";
}

TEST(RegularFileTest, ReadsRegularFilesAndRefusesEverythingElse) {
  char dir_pattern[] = "/tmp/moxtrel-regular-XXXXXX";
  ASSERT_NE(::mkdtemp(dir_pattern), nullptr);
  const std::string dir = dir_pattern;
  const std::string file = dir + "/text", fifo = dir + "/fifo", big = dir + "/big",
                    link = dir + "/link";
  std::ofstream(file) << "one\ntwo\n";
  EXPECT_EQ(ReadRegularFile(file, 8), "one\ntwo\n");
  EXPECT_FALSE(ReadRegularFile(dir + "/missing", 8).has_value());
  ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
  EXPECT_EQ(ReadRegularFile(link, 100), "one\ntwo\n");
  EXPECT_EQ(Reason(file, 7), "Is larger than 7 bytes, the most read from it");
  // A FIFO nobody writes to would block an ordinary open for ever.
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(Reason(fifo, 100), "Is a FIFO (named pipe), not a regular file");
  EXPECT_EQ(Reason(dir, 100), "Is a directory, not a regular file");
  EXPECT_EQ(Reason("/dev/zero", 100), "Is a character device, not a regular file");
  // A sparse file larger than the limit is refused by its size, without reading it.
  {
    std::ofstream(big) << "";
    ASSERT_EQ(::truncate(big.c_str(), (int64_t{1} << 32) + 1), 0);
  }
  EXPECT_EQ(Reason(big, std::size_t{64} << 20), "Is larger than 64 MiB, the most read from it");
  try {
    ReadRegularFile(dir, 1);
  } catch (const RegularFileError& e) {
    EXPECT_EQ(e.error(), EISDIR);
  }
  for (const auto& p : {file, fifo, big, link}) ::unlink(p.c_str());
  ::rmdir(dir.c_str());
}

}  // namespace
}  // namespace moxtrel::testing
