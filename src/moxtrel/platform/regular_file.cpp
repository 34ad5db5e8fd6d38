#include "moxtrel/platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace moxtrel::platform {
namespace {

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "Is a directory";
  if (S_ISFIFO(mode)) return "Is a FIFO (named pipe)";
  if (S_ISCHR(mode)) return "Is a character device";
  if (S_ISBLK(mode)) return "Is a block device";
  if (S_ISSOCK(mode)) return "Is a socket";
  return "Is a special file";
}

struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

RegularFileError::RegularFileError(const std::string& path, int error, const std::string& reason)
    : std::runtime_error(path + ": " + reason), error_(error), reason_(reason) {}

std::string ByteLimitText(std::size_t bytes) {
  if (bytes >= (std::size_t{1} << 20) && bytes % (std::size_t{1} << 20) == 0) {
    return std::to_string(bytes >> 20) + " MiB";
  }
  if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KiB";
  return std::to_string(bytes) + " bytes";
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t max_bytes) {
  // O_NONBLOCK: opening a FIFO for reading returns at once instead of waiting for a writer.
  Fd f{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
  if (f.fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    const int err = errno;
    throw RegularFileError(path, err, std::strerror(err));
  }
  struct stat st {};
  if (::fstat(f.fd, &st) != 0) {
    const int err = errno;
    throw RegularFileError(path, err, std::strerror(err));
  }
  if (!S_ISREG(st.st_mode)) {
    throw RegularFileError(path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL,
                           std::string(KindOf(st.st_mode)) + ", not a regular file");
  }
  auto too_large = [&] {
    return RegularFileError(
        path, EFBIG, "Is larger than " + ByteLimitText(max_bytes) + ", the most read from it");
  };
  if (static_cast<unsigned long long>(st.st_size) > max_bytes) throw too_large();
  // A regular file does not block; reading goes on blocking-free all the same.
  std::string text;
  text.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  while (true) {
    ssize_t n = ::read(f.fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      const int err = errno;
      throw RegularFileError(path, err, std::strerror(err));
    }
    if (n == 0) break;
    // The file may have grown since fstat.
    if (text.size() + static_cast<std::size_t>(n) > max_bytes) throw too_large();
    text.append(buf, static_cast<std::size_t>(n));
  }
  return text;
}

}  // namespace moxtrel::platform
