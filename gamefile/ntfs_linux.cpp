#include <sys/stat.h>
#include <sys/sysmacros.h>  // major, minor
#include <sys/xattr.h>

#include <fstream>
#include <string>

#include "gamefile/file_facts_linux.h"

namespace {

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

}  // namespace

// Whether `name` is on an NTFS disk: the kernel's drivers say so in their
// type; ntfs-3g mounts through FUSE ("fuseblk", or "fuse" for an image) and
// is told by its NTFS attribute, which no other file system answers.
bool on_ntfs(const char* name, const struct stat& file) {
  const std::string type = mount_type(file);
  return type == "ntfs3" || type == "ntfs" ||
         (type.rfind("fuse", 0) == 0 && getxattr(name, "system.ntfs_attrib", nullptr, 0) >= 0);
}
