// ReadRegularFile: the one way the library reads a file a configuration, a seed or an account
// tree names. It opens without blocking (a FIFO with no writer would otherwise hang the open),
// refuses anything that is not a regular file (a folder, a FIFO, a device, a socket) and reads
// at most `max_bytes`, so that no such file can hang the caller or exhaust its memory.
//
//   std::optional<std::string> text = platform::ReadRegularFile(path, 1 << 20);
//   // nullopt: the file does not exist; throws RegularFileError for every other failure
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>

namespace moxtrel::platform {

class RegularFileError : public std::runtime_error {
 public:
  // `reason` says what is wrong ("Is a FIFO (named pipe), not a regular file", "Permission
  // denied"); what() is "<path>: <reason>".
  RegularFileError(const std::string& path, int error, const std::string& reason);
  // The errno that best describes the failure: EACCES, EISDIR, EFBIG, EINVAL (not regular), ...
  int error() const noexcept { return error_; }
  const std::string& reason() const noexcept { return reason_; }

 private:
  int error_;
  std::string reason_;
};

// The whole text of the regular file at `path`; nullopt when it does not exist (ENOENT).
// Throws RegularFileError when it cannot be opened or read, is not a regular file (symbolic
// links are followed), or holds more than `max_bytes`.
std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t max_bytes);

// "64 MiB", "512 KiB", "100 bytes": a limit as messages and documents spell it.
std::string ByteLimitText(std::size_t bytes);

}  // namespace moxtrel::platform
