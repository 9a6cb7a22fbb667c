#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>  // major, minor
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>

#include "gamefile/file_facts_linux.h"
#include "gamefile/maps_line.h"

namespace {

// Whether a line of /proc/PID/maps names the file.
bool names_file(const char* line, const struct stat& file) {
  const std::optional<MappedFile> mapped = parsed_maps_line(line);
  return mapped && mapped->inode == file.st_ino && mapped->major == major(file.st_dev) &&
         mapped->minor == minor(file.st_dev);
}

// Whether another process maps the file: a game running under Wine holds its
// executable as a mapping, not as a running program (so there is no ETXTBSY),
// and takes no lock. Each process's maps are searched for the file's device
// and inode, as lsof does; processes whose maps we may not read are skipped.
bool mapped_elsewhere(const struct stat& file) {
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
}

}  // namespace

// Whether another process, of any account, has the file open or mapped (the
// game under Wine, say). The kernel refuses a write lease with EAGAIN while
// any other process holds the file, at a cost that does not grow with the
// number of processes; the lease is given back at once. Where it is refused
// for another reason (EACCES: not our file and no CAP_LEASE; EINVAL: a file
// system without leases, as many network mounts are), the maps are searched.
bool held_elsewhere(int fd, const struct stat& file) {
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
  return mapped_elsewhere(file);
}
