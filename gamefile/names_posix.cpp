#include <dirent.h>
#include <strings.h>  // strcasecmp
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "gamefile/file_io.h"

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
