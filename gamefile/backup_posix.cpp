#include "gamefile/backup_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

FileFacts facts_of(const struct stat& file) {
  return {S_ISREG(file.st_mode), static_cast<std::uint64_t>(file.st_dev),
          static_cast<std::uint64_t>(file.st_ino), static_cast<std::uint64_t>(file.st_size)};
}

// Looks at what already stands under the backup's name, as `name` spells
// it, without opening it.
Backup existing_backup(const struct stat& game, const std::string& name = backup_file_name) {
  struct stat found {};
  const bool looked = stat(name.c_str(), &found) == 0;
  return {existing_backup_state(looked ? std::optional<FileFacts>(facts_of(found)) : std::nullopt,
                                facts_of(game)),
          {}};
}

// Reads and writes in pieces, so memory does not grow with the file.
FileStatus copy_by_reading(int from, off_t offset, int to, off_t size) {
  char piece[1 << 16];
  for (; offset < size; offset += static_cast<off_t>(sizeof piece)) {
    const auto count = static_cast<std::size_t>(std::min<off_t>(sizeof piece, size - offset));
    const auto at = static_cast<std::uint64_t>(offset);
    if (FileStatus status = copy_at(from, to, at, piece, count); !status.ok()) {
      return status;
    }
  }
  return {};
}

// The kernel's copy while it makes progress; where it is not supported, or
// reports nothing copied before the end (as some file systems do), the rest
// is read and written, as cp does.
FileStatus copy_contents(int from, int to, off_t size, const BackupSteps& steps) {
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
      return status_of_error(static_cast<unsigned long>(errno));
    }
    return copy_by_reading(from, offset, to, size);
  }
  return {};
}

int exclusive_rename(const char* from, const char* to) {
#if defined(__linux__)
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
#elif defined(__APPLE__)
  return renamex_np(from, to, RENAME_EXCL);
#else
  (void)from, (void)to;
  errno = ENOSYS;
  return -1;
#endif
}

// The errors of a disk that does not offer the operation at all.
bool unsupported(int error) {
  return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL;
}

// Gives the finished copy the backup's name without replacing a file that
// has it: a hard link, else an exclusive rename. 0 or the errno.
int name_without_replacing(const BackupSteps& steps) {
  if (steps.link(backup_temp_name, backup_file_name) == 0) {
    unlink(backup_temp_name);
    return 0;
  }
  if (!unsupported(errno)) {
    return errno;
  }
  if (steps.rename_exclusive(backup_temp_name, backup_file_name) == 0) {
    return 0;
  }
  if (!unsupported(errno)) {
    return errno;
  }
  // Disks with neither (FAT and exFAT through FUSE, many network mounts): as
  // git does there, look that the name is still free right before a plain
  // rename. The game file's lock keeps every other run of this tool out; the
  // one case left unguarded is another program creating Halvane.bak in that
  // instant.
  struct stat found {};
  if (lstat(backup_file_name, &found) == 0) {
    return EEXIST;
  }
  if (errno != ENOENT) {
    return errno;
  }
  return rename(backup_temp_name, backup_file_name) == 0 ? 0 : errno;
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

Backup make_backup(const GameFile& game) {
  return make_backup(game, {kernel_copy, fsync, link, exclusive_rename});
}

Backup make_backup(const GameFile& game, const BackupSteps& steps) {
  const int from = static_cast<int>(game.handle());
  struct stat source {};
  if (fstat(from, &source) != 0) {
    return failed(errno);
  }
  // Ours, from a run killed while copying or between naming the copy and
  // removing this second name of it: removed whether or not a backup exists.
  // Removing a name never touches a Halvane.bak that is the same file.
  const int leftover = unlink(backup_temp_name) == 0 || errno == ENOENT ? 0 : errno;
  // A Halvane.bak in other letters (HALVANE.BAK) is the backup too, as
  // Windows would find it: kept, with no second one beside it.
  const std::vector<std::string> existing = names_in_any_letters(backup_file_name);
  struct stat found {};
  if (!existing.empty()) {
    if (lstat(existing.front().c_str(), &found) != 0 && errno != ENOENT) {
      return failed(errno);
    }
    return existing_backup(source, existing.front());
  }
  if (leftover != 0) {
    return {BackupState::failed, {FileProblem::leftover_stuck, std::strerror(leftover)}};
  }

  const int to = open(backup_temp_name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, source.st_mode & 0666);
  if (to < 0) {
    return failed(errno);
  }
  Backup result{BackupState::made, {}};
  struct stat copied {};
  if (FileStatus status = copy_contents(from, to, source.st_size, steps); !status.ok()) {
    result = {BackupState::failed, std::move(status)};
  } else if (steps.sync(to) != 0) {
    result = failed(errno);
  } else if (fstat(to, &copied) != 0 || copied.st_size != source.st_size) {
    result = {BackupState::failed, {FileProblem::too_short, ""}};
  }
  if (close(to) != 0 && result.state == BackupState::made) {
    result = failed(errno);
  }
  if (result.state == BackupState::made) {
    if (FileStatus status =
            copy_reads_back(game, backup_temp_name, static_cast<std::uint64_t>(source.st_size));
        !status.ok()) {
      result = {BackupState::failed, std::move(status)};
    }
  }
  if (result.state == BackupState::made) {
    const int error = name_without_replacing(steps);
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
