#include <unistd.h>

#include <climits>

#include "dialogue/where.h"

std::string current_folder() {
  char folder[PATH_MAX];
  return getcwd(folder, sizeof folder) != nullptr ? folder : "";
}

// No archive tool of Linux or macOS is known here to run a program from
// a folder of its own in the temporary folder.
std::string temp_folder() { return ""; }
