// The game file's open and its raw reads and writes, through a descriptor.

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>  // strcasecmp
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "gamefile/file_facts_linux.h"
#include "gamefile/file_io.h"

namespace {

int fd_of(NativeHandle handle) { return static_cast<int>(handle); }

// Takes the run's byte-range lock, as an open file description's lock, which
// no other descriptor's close gives back: true where another process holds it.
bool range_locked_elsewhere(int fd) {
  struct flock range {};
  range.l_type = F_WRLCK;
  range.l_whence = SEEK_SET;
  range.l_start = static_cast<off_t>(run_lock_offset);
  range.l_len = 1;
  const int taken = fcntl(fd, F_OFD_SETLK, &range);
  return taken != 0 && (errno == EAGAIN || errno == EACCES);
}

}  // namespace

FileStatus open_game_handle(const char* name, NativeHandle& handle) {
  // Look before opening: opening a device can have effects of its own.
  struct stat found {};
  if (stat(name, &found) != 0) {
    return status_of_error(errno);
  }
  if (!S_ISREG(found.st_mode)) {
    return {FileProblem::not_a_file, ""};
  }
  // O_NONBLOCK: were the name swapped for a FIFO after the look, the open
  // still returns at once; on a regular file it changes nothing.
  const int fd = open(name, O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    return status_of_refused_open(name, static_cast<unsigned long>(errno));
  }
  struct stat opened {};
  if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    close(fd);
    return {FileProblem::not_a_file, ""};
  }
  // Two mechanisms, each for what the other cannot see:
  // - the byte-range lock keeps runs apart, of this build and of the Windows
  //   build under Wine in any prefix (Wine passes LockFileEx on as such a
  //   lock); a disk that takes no locks is no reason to refuse, so only a
  //   lock held elsewhere counts, and there runs are not kept apart by it;
  // - held_elsewhere finds the game running, and any other holder of the
  //   file: a lease, which no other process's open allows, else (a disk
  //   that grants none: FUSE, network mounts) a search of every process's
  //   maps, which sees the game under Wine but not a second run, which maps
  //   nothing.
  if (range_locked_elsewhere(fd) || held_elsewhere(fd, opened)) {
    close(fd);
    return {FileProblem::in_use, ""};
  }
  handle = fd;
  return {};
}

FileStatus status_of_refused_open(const char* name, unsigned long code) {
  FileStatus status = status_of_error(code);
  struct stat found {};
  if (stat(name, &found) != 0) {
    return status;
  }
  if (code == EACCES && (found.st_mode & 0222) == 0) {
    status.problem = FileProblem::read_only;
  } else if (code == EROFS && on_ntfs(name, found)) {
    status.problem = FileProblem::read_only_ntfs;
  }
  status.owner = account_name(found.st_uid);
  status.owned_by_me = found.st_uid == geteuid();
  return status;
}

Opened open_to_read(const char* name) {
  // O_NONBLOCK: a FIFO put under the name opens at once and is never waited on.
  const int fd = open(name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  return fd < 0 ? Opened{no_handle, status_of_errno()} : Opened{fd, {}};
}

FileStatus read_at(NativeHandle handle, std::uint64_t offset, char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t got = pread(fd_of(handle), bytes, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return status_of_errno();
    }
    if (got == 0) {
      return {FileProblem::too_short, ""};  // the file ended first
    }
    bytes += got;
    count -= static_cast<std::size_t>(got);
    offset += static_cast<std::uint64_t>(got);
  }
  return {};
}

FileStatus write_at(NativeHandle handle, std::uint64_t offset, const char* bytes, std::size_t count) {
  for (bool some = false; count > 0;) {
    const ssize_t wrote = pwrite(fd_of(handle), bytes, count, static_cast<off_t>(offset));
    if (wrote < 0 && errno == EINTR) {
      continue;
    }
    if (wrote <= 0) {  // 0: POSIX leaves no errno for a disk that takes nothing more
      FileStatus status = wrote < 0 ? status_of_errno() : status_of_error(ENOSPC);
      status.partly_written = some;
      return status;
    }
    some = true;
    bytes += wrote;
    count -= static_cast<std::size_t>(wrote);
    offset += static_cast<std::uint64_t>(wrote);
  }
  return {};
}

std::optional<std::uint64_t> size_of(NativeHandle handle) {
  struct stat found {};
  if (fstat(fd_of(handle), &found) != 0) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(found.st_size);
}

FileStatus sync_to_disk(NativeHandle handle) {
  return fsync(fd_of(handle)) == 0 ? FileStatus{} : status_of_errno();
}

// Linux closes the descriptor even when close reports an error (EIO from a
// network share, say), so it is never closed again.
FileStatus close_handle(NativeHandle handle) {
  return close(fd_of(handle)) == 0 ? FileStatus{} : status_of_errno();
}

std::vector<std::string> names_ignoring_case(const char* name) {
  struct stat found {};
  if (lstat(name, &found) == 0 || errno != ENOENT) {
    return {name};
  }
  std::vector<std::string> names;
  DIR* folder = opendir(".");
  if (folder == nullptr) {
    return names;
  }
  for (const dirent* entry = readdir(folder); entry != nullptr; entry = readdir(folder)) {
    if (strcasecmp(entry->d_name, name) == 0) {
      names.emplace_back(entry->d_name);
    }
  }
  closedir(folder);
  std::sort(names.begin(), names.end());
  return names;
}
