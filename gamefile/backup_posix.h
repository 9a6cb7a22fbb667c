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
};

Backup make_backup(const GameFile& game, const BackupSteps& steps);
