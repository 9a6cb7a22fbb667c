#include "window/paths_linux.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

std::string base_name(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

std::string on_path(const std::string& program) {
  if (program.find('/') != std::string::npos) {
    return access(program.c_str(), X_OK) == 0 ? program : "";
  }
  const char* path = std::getenv("PATH");
  const std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= folders.size();) {
    const std::size_t end = std::min(folders.find(':', start), folders.size());
    std::string candidate = folders.substr(start, end - start) + "/" + program;
    if (end > start && access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    start = end + 1;
  }
  return "";
}

ToolPath tool_path(const char* started_as) {
  const std::string as_given = started_as != nullptr ? started_as : "";
  if (as_given.find('/') != std::string::npos) {
    if (as_given[0] == '/') {
      return {as_given, "", as_given};
    }
    char here[PATH_MAX] = {};
    if (getcwd(here, sizeof here) == nullptr) {
      return {"", std::string("getcwd: ") + std::strerror(errno), as_given};
    }
    return {std::string(here) + "/" + as_given, "", as_given};
  }
  char path[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) {
    return {"", std::string("readlink /proc/self/exe: ") + std::strerror(errno), as_given};
  }
  return {std::string(path, static_cast<std::size_t>(length)), "", as_given};
}
