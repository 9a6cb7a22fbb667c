#pragma once
// The open game executable. One binary stream, one file position shared by
// reads and writes, and a sticky error state: once an access fails, every
// later seek, read and write is skipped, so a file that is not what we expect
// (too short to hold a site) is never modified.

#include <cstdint>
#include <fstream>
#include <optional>
#include <string_view>

#include "gamefile/patch_sites.h"

class GameFile {
 public:
  // Opens game_file_name for reading and writing. The file must exist and be
  // writable: it is never created or truncated.
  bool open();

  // nullopt when the two bytes cannot be read.
  std::optional<std::uint16_t> read_value(const PatchSite& site);
  void write_value(const PatchSite& site, std::uint16_t value);
  // The name and one zero byte, never padded to the length of the old name.
  void write_font_name(std::string_view name);

  // Pushes every write to the file; true when every access so far succeeded.
  bool flush();
  void close();

 private:
  void write_inside(std::int32_t offset, const char* bytes, std::size_t count);

  std::fstream stream;
};
