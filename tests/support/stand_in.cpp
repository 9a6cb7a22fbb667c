#include "support/stand_in.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

struct Fixed {
  std::uint64_t offset;
  std::string bytes;
};

const Fixed fixed[] = {
    {at::large_width, std::string("\x00\x04", 2)},   // 1024
    {at::large_height, std::string("\x00\x03", 2)},  // 768
    {at::small_width, std::string("\x20\x03", 2)},   // 800
    {at::small_height, std::string("\x58\x02", 2)},  // 600
    {at::width_check, std::string("\x00\x04", 2)},   // 1024
    {at::font, std::string("Arial\0", 6)},
};

}  // namespace

char stand_in_byte(std::uint64_t position) {
  for (const Fixed& site : fixed) {
    if (position >= site.offset && position < site.offset + site.bytes.size()) {
      return site.bytes[position - site.offset];
    }
  }
  // A cheap integer hash: every byte value occurs, in no simple pattern, and
  // never zero, so that a stray zero written by the tool is always visible.
  std::uint64_t h = position * 0x9E3779B97F4A7C15ULL;
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ULL;
  h ^= h >> 32;
  return static_cast<char>(h % 255 + 1);
}

std::string stand_in_bytes(std::uint64_t size) {
  std::string bytes(size, '\0');
  for (std::uint64_t i = 0; i < size; ++i) {
    bytes[i] = stand_in_byte(i);
  }
  return bytes;
}

bool write_stand_in(const std::string& path, std::uint64_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::string piece;
  for (std::uint64_t start = 0; start < size && out; start += piece.size()) {
    piece.resize(std::min<std::uint64_t>(1 << 20, size - start));
    for (std::size_t i = 0; i < piece.size(); ++i) {
      piece[i] = stand_in_byte(start + i);
    }
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
  }
  out.close();
  return !out.fail();
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

bool file_exists(const std::string& path) { return std::ifstream(path).is_open(); }

std::string with_value(std::string bytes, std::uint64_t offset, std::uint16_t value) {
  bytes.at(offset) = static_cast<char>(value & 0xFF);
  bytes.at(offset + 1) = static_cast<char>(value >> 8);
  return bytes;
}

std::string with_name(std::string bytes, std::uint64_t offset, const std::string& text) {
  bytes.replace(offset, text.size() + 1, text + '\0');
  return bytes;
}

std::string with_a_hole(std::string bytes) { return bytes.replace(hole, 65536, 65536, '\0'); }

std::string another_build(std::string bytes) {
  for (const std::uint64_t at : {4096, 900000, 1500000}) {
    bytes.at(at) = static_cast<char>(~bytes.at(at));
  }
  return bytes;
}
