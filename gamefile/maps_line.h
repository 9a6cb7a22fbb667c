#pragma once
// One line of Linux's /proc/PID/maps, "address perms offset major:minor
// inode path" (the device's numbers in hex), as both builds read it: the
// Linux build directly, the Windows build through Wine.

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

struct MappedFile {
  unsigned long major;
  unsigned long minor;
  unsigned long long inode;
  std::string_view path;  // within the line; "" for memory of no file
};

inline std::optional<MappedFile> parsed_maps_line(const char* line) {
  const char* field = line;
  for (int skipped = 0; skipped < 3; ++skipped) {
    field = std::strchr(field, ' ');
    if (field == nullptr) {
      return std::nullopt;
    }
    ++field;
  }
  char* end = nullptr;
  MappedFile mapped{std::strtoul(field, &end, 16), 0, 0, {}};
  if (*end != ':') {
    return std::nullopt;
  }
  mapped.minor = std::strtoul(end + 1, &end, 16);
  if (*end != ' ') {
    return std::nullopt;
  }
  mapped.inode = std::strtoull(end + 1, &end, 10);
  end += std::strspn(end, " ");
  mapped.path = std::string_view(end, std::strcspn(end, "\n"));
  return mapped;
}
