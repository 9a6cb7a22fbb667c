#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "gamefile/file_io.h"
#include "gamefile/patch_sites.h"

namespace {

int fd_of(NativeHandle handle) { return static_cast<int>(handle); }

}  // namespace

FileStatus status_of_error(unsigned long code) {
  const int error = static_cast<int>(code);
  FileStatus status{FileProblem::other, std::strerror(error)};
  switch (error) {
    case 0:  // read_at's "the file ended first"
      status = {FileProblem::short_copy, ""};
      break;
    case ENOENT:
      status.problem = FileProblem::missing;
      break;
    case EACCES:
    case EPERM:
      status.problem = FileProblem::access_denied;
      break;
    case EROFS:
      status.problem = FileProblem::read_only_disk;
      break;
    case ETXTBSY:  // a program running from this file
    case EBUSY:
    case EWOULDBLOCK:  // another run holds the lock
      status.problem = FileProblem::in_use;
      break;
    case EISDIR:
    case ENXIO:
      status.problem = FileProblem::not_a_file;
      break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      status.problem = FileProblem::disk_full;
      break;
    default:
      break;
  }
  return status;
}

FileStatus open_game_handle(NativeHandle& handle) {
  // Look before opening: opening a device can have effects of its own.
  struct stat found {};
  if (stat(game_file_name, &found) != 0) {
    return status_of_error(errno);
  }
  if (!S_ISREG(found.st_mode)) {
    return {FileProblem::not_a_file, ""};
  }
  // O_NONBLOCK: were the name swapped for a FIFO after the look, the open
  // still returns at once; on a regular file it changes nothing.
  const int fd = open(game_file_name, O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    FileStatus status = status_of_error(errno);
    if (errno == EACCES && (found.st_mode & 0222) == 0) {
      status.problem = FileProblem::read_only;
    }
    return status;
  }
  struct stat opened {};
  if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    close(fd);
    return {FileProblem::not_a_file, ""};
  }
  // One run at a time: a second run finds the lock taken and stops before
  // it copies or reads anything. A file system without locks is not a reason
  // to refuse, so only a lock held elsewhere is.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    close(fd);
    return {FileProblem::in_use, ""};
  }
  handle = fd;
  return {};
}

bool read_at(NativeHandle handle, std::uint64_t offset, char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t got = pread(fd_of(handle), bytes, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got == 0) {
      errno = 0;  // no error: the file ended first
    }
    if (got <= 0) {
      return false;
    }
    bytes += got;
    count -= static_cast<std::size_t>(got);
    offset += static_cast<std::uint64_t>(got);
  }
  return true;
}

bool write_at(NativeHandle handle, std::uint64_t offset, const char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t wrote = pwrite(fd_of(handle), bytes, count, static_cast<off_t>(offset));
    if (wrote < 0 && errno == EINTR) {
      continue;
    }
    if (wrote <= 0) {
      return false;
    }
    bytes += wrote;
    count -= static_cast<std::size_t>(wrote);
    offset += static_cast<std::uint64_t>(wrote);
  }
  return true;
}

std::optional<std::uint64_t> size_of(NativeHandle handle) {
  struct stat found {};
  if (fstat(fd_of(handle), &found) != 0) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(found.st_size);
}

bool sync_to_disk(NativeHandle handle) { return fsync(fd_of(handle)) == 0; }

bool close_handle(NativeHandle handle) { return close(fd_of(handle)) == 0; }
