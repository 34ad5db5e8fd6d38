#include "moxtrel/backends/files/file_stamp.h"

#include <sys/stat.h>

namespace moxtrel::backends::files {
namespace {

bool Same(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}
bool NotBefore(const timespec& a, const timespec& b) {
  return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec >= b.tv_nsec);
}

}  // namespace

bool FileStamp::operator==(const FileStamp& o) const noexcept {
  if (exists != o.exists) return false;
  if (!exists) return true;
  return device == o.device && inode == o.inode && size == o.size && Same(modified, o.modified) &&
         Same(changed, o.changed);
}

FileStamp StampOf(const std::string& path) {
  struct stat st {};
  FileStamp s;
  if (::stat(path.c_str(), &st) != 0) return s;
  s.exists = true;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.size = st.st_size;
  s.modified = st.st_mtim;
  s.changed = st.st_ctim;
  return s;
}

timespec CoarseNow() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
  return now;
}

bool IsRacy(const FileStamp& stamp, const timespec& read_began) {
  if (!stamp.exists) return false;
  timespec limit = read_began;
  // Whole-second times: the filesystem may round a later change down to the same second.
  if (stamp.changed.tv_nsec == 0) limit.tv_sec -= 2;
  // Only the change time counts: every change moves it to the present, whatever the
  // modification time was set to.
  return NotBefore(stamp.changed, limit);
}

}  // namespace moxtrel::backends::files
