#include "gamefile/backup_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

ssize_t kernel_copy(int from, off_t* from_offset, int to, std::size_t count) {
#if defined(__linux__)
  // The kernel copies without the data passing through this process, as cp does.
  return copy_file_range(from, from_offset, to, nullptr, count, 0);
#else
  (void)from, (void)from_offset, (void)to, (void)count;
  errno = ENOSYS;
  return -1;
#endif
}

Backup failed(int error) { return {BackupState::failed, status_of_error(static_cast<unsigned long>(error))}; }

// Looks at what already stands under the backup's name, without opening it.
Backup existing_backup(const struct stat& game) {
  struct stat found {};
  if (stat(backup_file_name, &found) != 0 || !S_ISREG(found.st_mode)) {
    return {BackupState::kept_not_a_file, {}};
  }
  if (found.st_dev == game.st_dev && found.st_ino == game.st_ino) {
    return {BackupState::kept_same_file, {}};
  }
  if (found.st_size != game.st_size) {
    return {BackupState::kept_wrong_size, {}};
  }
  return {BackupState::kept, {}};
}

// Reads and writes in pieces, so memory does not grow with the file.
bool copy_by_reading(int from, off_t offset, int to, off_t size) {
  char piece[1 << 16];
  for (; offset < size; offset += static_cast<off_t>(sizeof piece)) {
    const auto count = static_cast<std::size_t>(std::min<off_t>(sizeof piece, size - offset));
    const auto at = static_cast<std::uint64_t>(offset);
    if (!read_at(from, at, piece, count) || !write_at(to, at, piece, count)) {
      return false;
    }
  }
  return true;
}

// The kernel's copy while it makes progress; where it is not supported, or
// reports nothing copied before the end (as some file systems do), the rest
// is read and written, as cp does.
bool copy_contents(int from, int to, off_t size, const BackupSteps& steps) {
  off_t offset = 0;
  while (offset < size) {
    const ssize_t copied = steps.copy_range(from, &offset, to, static_cast<std::size_t>(size - offset));
    if (copied > 0) {
      continue;
    }
    if (copied < 0 && errno == EINTR) {
      continue;
    }
    if (copied < 0 && errno != ENOSYS && errno != EXDEV && errno != EINVAL && errno != EOPNOTSUPP) {
      return false;
    }
    return copy_by_reading(from, offset, to, size);
  }
  return true;
}

// Gives the finished copy the backup's name in one step that fails, rather
// than replace, when the name is taken. 0 or the errno.
int name_without_replacing() {
  if (link(backup_temp_name, backup_file_name) == 0) {
    unlink(backup_temp_name);
    return 0;
  }
  if (errno == EEXIST) {
    return errno;
  }
  // File systems without hard links (FAT, exFAT) can still rename exclusively.
#if defined(__linux__)
  if (renameat2(AT_FDCWD, backup_temp_name, AT_FDCWD, backup_file_name, RENAME_NOREPLACE) == 0) {
    return 0;
  }
#elif defined(__APPLE__)
  if (renamex_np(backup_temp_name, backup_file_name, RENAME_EXCL) == 0) {
    return 0;
  }
#endif
  return errno;
}

// The new name must be on disk too, not only the bytes it names.
void sync_folder() {
  const int folder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    (void)fsync(folder);  // some file systems refuse it for folders; nothing to do then
    close(folder);
  }
}

}  // namespace

Backup make_backup(const GameFile& game) { return make_backup(game, {kernel_copy, fsync}); }

Backup make_backup(const GameFile& game, const BackupSteps& steps) {
  const int from = static_cast<int>(game.handle());
  struct stat source {};
  if (fstat(from, &source) != 0) {
    return failed(errno);
  }
  struct stat found {};
  if (lstat(backup_file_name, &found) == 0) {
    return existing_backup(source);
  }
  if (errno != ENOENT) {
    return failed(errno);
  }

  unlink(backup_temp_name);  // ours, from a run that was killed while copying
  const int to = open(backup_temp_name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, source.st_mode & 0666);
  if (to < 0) {
    return failed(errno);
  }
  Backup result{BackupState::made, {}};
  struct stat copied {};
  if (!copy_contents(from, to, source.st_size, steps) || steps.sync(to) != 0) {
    result = failed(errno);
  } else if (fstat(to, &copied) != 0 || copied.st_size != source.st_size) {
    result = {BackupState::failed, {FileProblem::short_copy, ""}};
  }
  if (close(to) != 0 && result.state == BackupState::made) {
    result = failed(errno);
  }
  if (result.state == BackupState::made) {
    const int error = name_without_replacing();
    if (error == EEXIST) {
      result = existing_backup(source);
    } else if (error != 0) {
      result = failed(error);
    }
  }
  if (result.state == BackupState::made) {
    sync_folder();
  } else {
    unlink(backup_temp_name);
  }
  return result;
}
