// FileStamp: what one stat tells of a file's identity (device, inode, size, modification and
// change times), by which a file read earlier is known to be unchanged without reading it.
//
// A change always moves the change time (ctime) forward, and no process can set it back; a
// replacement by rename (how the account tools write) also brings another inode. A stamp
// therefore changes with every change made after the clock tick in which the file was read.
// Within that tick a change may leave every field as it was (same inode, size and times), so a
// file changed in the tick its read began is "racy": its next check compares the text itself.
//
//   const timespec began = CoarseNow();
//   FileStamp s = StampOf(path);  ... read the file ...
//   bool racy = IsRacy(s, began);
#pragma once

#include <sys/types.h>

#include <ctime>
#include <string>

namespace moxtrel::backends::files {

struct FileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{}, changed{};

  bool operator==(const FileStamp& o) const noexcept;
};

// The file at `path` as stat sees it (following symbolic links); `exists` is false when stat
// fails (the read that follows says why).
FileStamp StampOf(const std::string& path);

// The clock file times are taken from, at its own resolution (the kernel's tick).
timespec CoarseNow();

// Whether a change made at or after `read_began` could leave `stamp` as it is: the file changed
// in that tick or later, or its change time is a whole second (a filesystem that keeps no
// fraction) within 2 s of it.
bool IsRacy(const FileStamp& stamp, const timespec& read_began);

}  // namespace moxtrel::backends::files
