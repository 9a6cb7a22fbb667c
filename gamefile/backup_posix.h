#pragma once
// The steps of the POSIX backup that depend on the disk and the file system,
// taken as parameters so that tests can make them fail.

#include <sys/types.h>

#include <cstddef>

#include "gamefile/backup.h"

struct BackupSteps {
  // copy_file_range's shape: copies up to `count` bytes from `from` at
  // *from_offset (advancing it) to `to` at its file position.
  ssize_t (*copy_range)(int from, off_t* from_offset, int to, std::size_t count);
  int (*sync)(int fd);  // fsync's shape
  // Naming the finished copy: link(2), and a rename that fails with EEXIST
  // rather than replace (renameat2 with RENAME_NOREPLACE). Either may be
  // unsupported by the disk.
  int (*link)(const char* from, const char* to);
  int (*rename_exclusive)(const char* from, const char* to);
};

Backup make_backup(const GameFile& game, const BackupSteps& steps);
