// A whole-file copy into a newly created backup: O_EXCL makes an existing
// backup a failure that leaves it untouched, and means that a copy that fails
// part-way is ours to remove.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "gamefile/backup.h"
#include "gamefile/patch_sites.h"

namespace {

bool write_all(int to, const char* bytes, ssize_t count) {
  while (count > 0) {
    const ssize_t wrote = write(to, bytes, static_cast<size_t>(count));
    if (wrote < 0 && errno == EINTR) {
      continue;
    }
    if (wrote <= 0) {
      return false;
    }
    bytes += wrote;
    count -= wrote;
  }
  return true;
}

// Copies in pieces, so memory does not grow with the file.
bool copy_by_reading(int from, int to) {
  char piece[1 << 16];
  for (;;) {
    const ssize_t got = read(from, piece, sizeof piece);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return got == 0;
    }
    if (!write_all(to, piece, got)) {
      return false;
    }
  }
}

bool copy_contents(int from, int to) {
#if defined(__linux__)
  // The kernel copies without the data passing through this process, as cp does.
  bool copied_any = false;
  for (;;) {
    const ssize_t copied = copy_file_range(from, nullptr, to, nullptr, std::size_t{1} << 30, 0);
    if (copied < 0 && errno == EINTR) {
      continue;
    }
    if (copied < 0 && !copied_any &&
        (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP)) {
      return copy_by_reading(from, to);  // a kernel or file system without it
    }
    if (copied <= 0) {
      return copied == 0;
    }
    copied_any = true;
  }
#else
  return copy_by_reading(from, to);
#endif
}

}  // namespace

bool make_backup() {
  const int from = open(game_file_name, O_RDONLY | O_CLOEXEC);
  if (from < 0) {
    return false;
  }
  struct stat source {};
  if (fstat(from, &source) != 0) {
    close(from);
    return false;
  }
  const int to = open(backup_file_name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, source.st_mode & 0777);
  if (to < 0) {
    close(from);
    return false;
  }
  // On disk before the executable is first changed: a crash after patching
  // must not leave a patched executable beside an empty backup.
  bool whole = copy_contents(from, to) && fsync(to) == 0;
  whole = close(to) == 0 && whole;
  close(from);
  if (!whole) {
    unlink(backup_file_name);
  }
  return whole;
}
