#include <fcntl.h>  // AT_FDCWD, RENAME_NOREPLACE
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>  // renameat2

#include "gamefile/backup_steps.h"
#include "gamefile/file_facts_linux.h"

namespace {

FileFacts facts_of(const struct stat& file) {
  return {S_ISREG(file.st_mode), static_cast<std::uint64_t>(file.st_dev),
          static_cast<std::uint64_t>(file.st_ino), 0, static_cast<std::uint64_t>(file.st_size)};
}

// Where the disk has no such way of naming a file: the next is tried.
bool unsupported(int result) {
  return result != 0 && (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL);
}

NameResult outcome(int result) {
  if (result == 0) {
    return {Naming::named, {}};
  }
  return errno == EEXIST ? NameResult{Naming::taken, {}} : NameResult{Naming::failed, status_of_errno()};
}

}  // namespace

// Looked at through lstat and stat, never opened.
std::optional<Backup> look_under(const char* name, NativeHandle game) {
  struct stat found {};
  if (lstat(name, &found) != 0) {
    return errno == ENOENT ? std::nullopt : std::optional<Backup>({BackupState::failed, status_of_errno()});
  }
  struct stat source {};
  if (fstat(static_cast<int>(game), &source) != 0) {
    return Backup{BackupState::failed, status_of_errno()};
  }
  const bool looked = stat(name, &found) == 0;  // not for a link to nothing
  return Backup{existing_backup_state(looked ? std::optional<FileFacts>(facts_of(found)) : std::nullopt,
                                      facts_of(source)),
                {}};
}

FileStatus remove_name(const char* name) {
  return unlink(name) == 0 || errno == ENOENT ? FileStatus{} : status_of_errno();
}

Opened create_copy(const char* name, NativeHandle game) {
  struct stat source {};
  if (fstat(static_cast<int>(game), &source) != 0) {
    return {no_handle, status_of_errno()};
  }
  const int file = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, source.st_mode & 0666);
  return {file, file < 0 ? status_of_errno() : FileStatus{}};
}

// A second name for the copy, removed afterwards, as git does; where the disk
// has no links (FAT and exFAT), a rename that never replaces. Disks with
// neither (both of those through FUSE, many network mounts) get, as git's do,
// a plain rename right after a look that the name is still free: the game
// file's lock keeps every other run of this tool out, and the one case left
// unguarded is another program creating Halvane.bak in that instant.
NameResult name_copy(NativeHandle) {
  int result = link(backup_temp_name, backup_file_name);
  if (unsupported(result)) {
    result = renameat2(AT_FDCWD, backup_temp_name, AT_FDCWD, backup_file_name, RENAME_NOREPLACE);
  }
  if (unsupported(result)) {
    struct stat found {};
    if (lstat(backup_file_name, &found) == 0) {
      return {Naming::taken, {}};
    }
    result = errno == ENOENT ? rename(backup_temp_name, backup_file_name) : -1;
  }
  return outcome(result);
}

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
