#include <dirent.h>
#include <fcntl.h>
#include <strings.h>  // strcasecmp
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/sysmacros.h>  // major, minor
#include <sys/xattr.h>
#endif

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "gamefile/file_io.h"

namespace {

int fd_of(NativeHandle handle) { return static_cast<int>(handle); }

FileStatus of_errno() { return status_of_error(static_cast<unsigned long>(errno)); }

// The account name of `uid` from /etc/passwd, read by hand: the release build
// is linked statically, where glibc's getpwuid would load NSS modules at run
// time. Accounts known only to a directory service are named by number.
std::string account_name(uid_t uid) {
  std::ifstream passwd("/etc/passwd");
  std::string line;
  while (std::getline(passwd, line)) {
    const std::size_t name_end = line.find(':');
    const std::size_t uid_start = line.find(':', name_end + 1);
    if (name_end == std::string::npos || uid_start == std::string::npos) {
      continue;
    }
    const std::size_t uid_end = line.find(':', uid_start + 1);
    if (line.compare(uid_start + 1, uid_end - uid_start - 1, std::to_string(uid)) == 0) {
      return line.substr(0, name_end);
    }
  }
  return "user " + std::to_string(uid);
}

#if defined(__linux__)
// Whether a line of /proc/PID/maps ("address perms offset major:minor inode
// path", the device's numbers in hex) names the file.
bool names_file(const char* line, const struct stat& file) {
  const char* field = line;
  for (int skipped = 0; skipped < 3; ++skipped) {
    field = std::strchr(field, ' ');
    if (field == nullptr) {
      return false;
    }
    ++field;
  }
  char* end = nullptr;
  const unsigned long major_number = std::strtoul(field, &end, 16);
  if (*end != ':') {
    return false;
  }
  const unsigned long minor_number = std::strtoul(end + 1, &end, 16);
  if (*end != ' ') {
    return false;
  }
  return std::strtoull(end + 1, nullptr, 10) == file.st_ino && major_number == major(file.st_dev) &&
         minor_number == minor(file.st_dev);
}
#endif

#if defined(__linux__)
// The type of the file system that holds `file`, as /proc/self/mountinfo
// gives it ("ID PARENT MAJOR:MINOR ROOT POINT OPTIONS ... - TYPE SOURCE ..."),
// or "" where it is not found.
std::string mount_type(const struct stat& file) {
  std::ifstream mounts("/proc/self/mountinfo");
  const std::string device = std::to_string(major(file.st_dev)) + ":" + std::to_string(minor(file.st_dev));
  for (std::string line; std::getline(mounts, line);) {
    const std::size_t at = line.find(' ', line.find(' ') + 1) + 1;
    const std::size_t type = line.find(" - ");
    if (at != 0 && type != std::string::npos && line.compare(at, device.size() + 1, device + " ") == 0) {
      return line.substr(type + 3, line.find(' ', type + 3) - type - 3);
    }
  }
  return "";
}
#endif

// Whether `name` is on an NTFS disk: the kernel's drivers say so in their
// type; ntfs-3g mounts through FUSE ("fuseblk", or "fuse" for an image) and
// is told by its NTFS attribute, which no other file system answers.
bool on_ntfs(const char* name, const struct stat& file) {
#if defined(__linux__)
  const std::string type = mount_type(file);
  return type == "ntfs3" || type == "ntfs" ||
         (type.rfind("fuse", 0) == 0 && getxattr(name, "system.ntfs_attrib", nullptr, 0) >= 0);
#else
  (void)name, (void)file;
  return false;
#endif
}

// Whether another process maps the file: a game running under Wine holds its
// executable as a mapping, not as a running program (so there is no ETXTBSY),
// and takes no lock. Each process's maps are searched for the file's device
// and inode, as lsof does; processes whose maps we may not read are skipped.
bool mapped_elsewhere(const struct stat& file) {
#if defined(__linux__)
  DIR* processes = opendir("/proc");
  if (processes == nullptr) {
    return false;
  }
  const std::string self = std::to_string(getpid());
  bool found = false;
  for (const dirent* entry = readdir(processes); entry != nullptr && !found; entry = readdir(processes)) {
    const std::string pid = entry->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) {
      continue;
    }
    std::FILE* maps = std::fopen(("/proc/" + pid + "/maps").c_str(), "re");
    if (maps == nullptr) {
      continue;
    }
    char line[4096];
    while (!found && std::fgets(line, sizeof line, maps) != nullptr) {
      found = names_file(line, file);
    }
    (void)std::fclose(maps);
  }
  closedir(processes);
  return found;
#else
  (void)file;  // macOS has no /proc: a game running under Wine there is not seen
  return false;
#endif
}

// Whether another process, of any account, has the file open or mapped (the
// game under Wine, say). The kernel refuses a write lease with EAGAIN while
// any other process holds the file, at a cost that does not grow with the
// number of processes; the lease is given back at once. Where it is refused
// for another reason (EACCES: not our file and no CAP_LEASE; EINVAL: a file
// system without leases, as many network mounts are), the maps are searched.
bool held_elsewhere(int fd, const struct stat& file) {
#if defined(__linux__)
  // Another opener breaking the lease meanwhile would send SIGIO, whose
  // default action ends the process; ignored, it is not even queued.
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGIO, &ignore, &previous);
  const bool leased = fcntl(fd, F_SETLEASE, F_WRLCK) == 0;
  const int error = errno;
  if (leased) {
    (void)fcntl(fd, F_SETLEASE, F_UNLCK);
  }
  sigaction(SIGIO, &previous, nullptr);
  if (leased || error == EAGAIN) {
    return !leased;
  }
#else
  (void)fd;
#endif
  return mapped_elsewhere(file);
}

}  // namespace

FileStatus status_of_error(unsigned long code, Doing /*doing: the same on POSIX*/) {
  const int error = static_cast<int>(code);
  FileStatus status{FileProblem::other, std::strerror(error)};
  switch (error) {
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

std::vector<std::string> names_in_any_letters(const char* name) {
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
    const int error = errno;
    FileStatus status = status_of_error(error);
    if (error == EACCES && (found.st_mode & 0222) == 0) {
      status.problem = FileProblem::read_only;
    } else if (error == EROFS && on_ntfs(name, found)) {
      status.problem = FileProblem::read_only_ntfs;
    }
    status.owner = account_name(found.st_uid);
    status.owned_by_me = found.st_uid == geteuid();
    return status;
  }
  struct stat opened {};
  if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    close(fd);
    return {FileProblem::not_a_file, ""};
  }
  // One run at a time: a second run finds the lock taken and stops before
  // it copies or reads anything. A file system without locks is not a reason
  // to refuse, so only a lock held elsewhere is; there the lease below still
  // sees a second run, which holds the file open, and where the disk grants
  // no lease either, a second run is not seen.
  if ((flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) || held_elsewhere(fd, opened)) {
    close(fd);
    return {FileProblem::in_use, ""};
  }
  handle = fd;
  return {};
}

Opened open_to_read(const char* name) {
  // O_NONBLOCK: a FIFO put under the name opens at once and is never waited on.
  const int fd = open(name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  return fd < 0 ? Opened{no_handle, of_errno()} : Opened{fd, {}};
}

FileStatus read_at(NativeHandle handle, std::uint64_t offset, char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t got = pread(fd_of(handle), bytes, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return of_errno();
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
      FileStatus status = wrote < 0 ? of_errno() : status_of_error(ENOSPC);
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

FileStatus sync_to_disk(NativeHandle handle) { return fsync(fd_of(handle)) == 0 ? FileStatus{} : of_errno(); }

// Linux closes the descriptor even when close reports an error (EIO from a
// network share, say), so it is never closed again.
FileStatus close_handle(NativeHandle handle) { return close(fd_of(handle)) == 0 ? FileStatus{} : of_errno(); }
