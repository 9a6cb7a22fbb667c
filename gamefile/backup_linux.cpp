#include <fcntl.h>  // AT_FDCWD, RENAME_NOREPLACE
#include <sys/stat.h>
#include <unistd.h>  // copy_file_range

#include <cerrno>
#include <cstdio>  // renameat2
#include <string>
#include <vector>

#include "gamefile/backup_steps.h"
#include "gamefile/file_facts_linux.h"

namespace {

FileFacts facts_of(const struct stat& file) {
  return {S_ISREG(file.st_mode), static_cast<std::uint64_t>(file.st_dev),
          static_cast<std::uint64_t>(file.st_ino), 0, static_cast<std::uint64_t>(file.st_size)};
}

// A Halvane.bak named in other case (HALVANE.BAK) is the backup too, as
// Windows would find it: kept, with no second one beside it. It is looked
// at through stat, never opened.
Looked existing(const char* name, NativeHandle game) {
  const std::vector<std::string> names = names_ignoring_case(name);
  if (names.empty()) {
    return {Look::nothing, BackupState::kept_not_a_file, {}};
  }
  struct stat source {};
  struct stat found {};
  if (fstat(static_cast<int>(game), &source) != 0 ||
      (lstat(names.front().c_str(), &found) != 0 && errno != ENOENT)) {
    return {Look::unanswered, BackupState::failed, status_of_errno()};
  }
  const bool looked = stat(names.front().c_str(), &found) == 0;
  return {Look::judged,
          existing_backup_state(looked ? std::optional<FileFacts>(facts_of(found)) : std::nullopt,
                                facts_of(source)),
          {}};
}

FileStatus remove_name(const char* name) {
  return unlink(name) == 0 || errno == ENOENT ? FileStatus{} : status_of_errno();
}

Opened create(const char* name, NativeHandle game) {
  struct stat source {};
  if (fstat(static_cast<int>(game), &source) != 0) {
    return {no_handle, status_of_errno()};
  }
  const int file = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, source.st_mode & 0666);
  return {file, file < 0 ? status_of_errno() : FileStatus{}};
}

CopyResult kernel_copy(NativeHandle from, NativeHandle to, std::uint64_t offset, std::size_t count) {
  // The kernel copies without the data passing through this process, as cp does.
  for (;;) {
    auto from_offset = static_cast<off_t>(offset);
    auto to_offset = static_cast<off_t>(offset);
    const ssize_t copied =
        copy_file_range(static_cast<int>(from), &from_offset, static_cast<int>(to), &to_offset, count, 0);
    if (copied >= 0) {
      return {static_cast<std::size_t>(copied), {}};
    }
    if (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP) {
      return {0, {}};  // not between these files: read and write instead
    }
    if (errno != EINTR) {
      return {0, status_of_errno()};
    }
  }
}

// The errors of a disk that does not offer the operation at all.
bool unsupported(int error) {
  return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL;
}

NameResult outcome(int result) {
  if (result == 0) {
    return {Naming::named, {}};
  }
  if (errno == EEXIST) {
    return {Naming::taken, {}};
  }
  return {unsupported(errno) ? Naming::unsupported : Naming::failed, status_of_errno()};
}

// A second name for the copy, which is removed afterwards.
NameResult hard_link() { return outcome(link(backup_temp_name, backup_file_name)); }

NameResult exclusive_rename() {
  return outcome(renameat2(AT_FDCWD, backup_temp_name, AT_FDCWD, backup_file_name, RENAME_NOREPLACE));
}

// Disks with neither (FAT and exFAT through FUSE, many network mounts): as
// git does there, look that the name is still free right before a plain
// rename. The game file's lock keeps every other run of this tool out; the
// one case left unguarded is another program creating Halvane.bak in that
// instant.
NameResult rename_if_free() {
  struct stat found {};
  if (lstat(backup_file_name, &found) == 0) {
    return {Naming::taken, {}};
  }
  if (errno != ENOENT) {
    return {Naming::failed, status_of_errno()};
  }
  return outcome(rename(backup_temp_name, backup_file_name));
}

void no_wait() {}  // nothing here holds a file against a rename

// The new name must be on disk too, not only the bytes it names.
void sync_folder() {
  const int folder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    // Some file systems refuse it for folders, and write the name with their
    // cache later: a power cut before then leaves the copy, flushed and
    // whole, under the temporary name, and the next run names it.
    (void)fsync(folder);
    close(folder);
  }
}

}  // namespace

// The copy is named by a hard link, else by an exclusive rename, else by a
// plain rename right after a look that the name is free.
const BackupSteps& system_backup_steps() {
  static const BackupSteps steps{existing,
                                 remove_name,
                                 create,
                                 kernel_copy,
                                 copy_at,
                                 sync_to_disk,
                                 {},  // no way names a file through its handle
                                 {hard_link, exclusive_rename, rename_if_free},
                                 no_wait,
                                 sync_folder};
  return steps;
}
