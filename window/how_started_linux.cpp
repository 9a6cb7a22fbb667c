#include "window/how_started_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace {

// KDE's launcher (KIO, behind Dolphin, the desktop's icons and KRunner)
// starts a program through QProcess, which gives its standard input a pipe
// of its own: the launcher, our parent, holds the writing end and never
// writes to it or closes it. A script's pipe is written by another program
// of its pipeline, our sibling: the shell that started both has closed its
// ends. A program that pipes answers to a child of its own (a test harness,
// Python's subprocess) writes them at once; so a pipe is a launcher's when
// our parent holds its writing end and nothing arrives for 100 ms.
bool launchers_idle_pipe(const struct stat& in) {
  if (!writes_to(getppid(), in)) {
    return false;
  }
  pollfd input{STDIN_FILENO, POLLIN, 0};
  return poll(&input, 1, 100) == 0;  // data, or every writer gone (POLLHUP), is a script's
}

}  // namespace

bool writes_to(pid_t process, const struct stat& pipe) {
  const std::string folder = "/proc/" + std::to_string(process);
  DIR* const descriptors = opendir((folder + "/fd").c_str());
  if (descriptors == nullptr) {
    return false;  // another account's process: not ours to look at
  }
  bool writes = false;
  while (const dirent* entry = readdir(descriptors)) {
    struct stat found {};
    if (writes || fstatat(dirfd(descriptors), entry->d_name, &found, 0) != 0 || found.st_dev != pipe.st_dev ||
        found.st_ino != pipe.st_ino) {
      continue;
    }
    std::ifstream info(folder + "/fdinfo/" + entry->d_name);
    std::string field;
    unsigned long flags = 0;
    while (info >> field && field != "flags:") {
    }
    writes = static_cast<bool>(info >> std::oct >> flags) && (flags & O_ACCMODE) != O_RDONLY;
  }
  closedir(descriptors);
  return writes;
}

bool nobody_to_talk_to() {
  const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty >= 0) {
    close(tty);
    return false;
  }
  struct stat in {};
  if (fstat(STDIN_FILENO, &in) != 0) {
    return true;
  }
  if (S_ISREG(in.st_mode)) {
    return false;
  }
  return !S_ISFIFO(in.st_mode) || launchers_idle_pipe(in);
}
