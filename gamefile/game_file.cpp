#include "gamefile/game_file.h"

#include <string>

bool GameFile::open() {
  // in|out without trunc: the file must exist and is neither created nor emptied.
  stream.open(game_file_name, std::ios::in | std::ios::out | std::ios::binary);
  return stream.is_open();
}

std::optional<std::uint16_t> GameFile::read_value(const PatchSite& site) {
  char bytes[2] = {};
  stream.seekg(site.offset);
  if (!stream.read(bytes, sizeof bytes)) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) |
                                    static_cast<unsigned char>(bytes[1]) << 8);
}

void GameFile::write_value(const PatchSite& site, std::uint16_t value) {
  const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
  write_inside(site.offset, bytes, sizeof bytes);
}

void GameFile::write_font_name(std::string_view name) {
  const std::string terminated = std::string(name) + '\0';
  write_inside(font_name_offset, terminated.data(), terminated.size());
}

// A patch never lengthens the executable: one that would end past the end of
// the file is not written and counts as a failed write.
void GameFile::write_inside(std::int32_t offset, const char* bytes, std::size_t count) {
  stream.seekp(0, std::ios::end);
  const std::streamoff length = stream.tellp();
  if (length < offset + static_cast<std::streamoff>(count)) {
    stream.setstate(std::ios::failbit);
    return;
  }
  stream.seekp(offset);
  stream.write(bytes, static_cast<std::streamsize>(count));
  // Each confirmed write reaches the file at once, so that whatever ends the
  // run later cannot leave it half-patched by a lost buffer.
  stream.flush();
}

bool GameFile::flush() {
  stream.flush();
  return !stream.fail();
}

void GameFile::close() { stream.close(); }
