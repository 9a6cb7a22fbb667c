#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "dialogue/where.h"
#include "window/paths_linux.h"

std::string current_folder() {
  char folder[PATH_MAX];
  return getcwd(folder, sizeof folder) != nullptr ? folder : "";
}

// No archive tool of Linux or macOS is known here to run a program from
// a folder of its own in the temporary folder.
std::string temp_folder() { return ""; }

std::string tool_file() { return tool_path(nullptr).path; }

bool game_in(const std::string& folder) {
  DIR* found = opendir(folder.c_str());
  if (found == nullptr) {
    return false;
  }
  bool there = false;
  for (const dirent* entry = readdir(found); entry != nullptr && !there; entry = readdir(found)) {
    struct stat file {};
    there = strcasecmp(entry->d_name, "Halvane.exe") == 0 &&
            stat((folder + "/" + entry->d_name).c_str(), &file) == 0 && S_ISREG(file.st_mode);
  }
  closedir(found);
  return there;
}

std::string start_there() { return "Start me from that folder: in a terminal, cd there first."; }
