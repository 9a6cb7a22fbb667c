#pragma once
// A stand-in for the game's executable, generated so that no test ever needs
// a file from the real game: varied bytes, the stock sizes 1024, 768, 800, 600
// and 1024 at the five sites, and "Arial" with its zero byte at the font site.

#include <cstdint>
#include <string>

inline constexpr std::uint64_t stand_in_size = 1'600'000;

// Where the game keeps each value, from its layout as documented, not from
// the tool's table, so that a wrong offset in the tool shows up as a failed
// test.
namespace at {
inline constexpr std::uint64_t large_width = 735781;
inline constexpr std::uint64_t large_height = 735776;
inline constexpr std::uint64_t small_width = 735806;
inline constexpr std::uint64_t small_height = 735801;
inline constexpr std::uint64_t width_check = 735766;
inline constexpr std::uint64_t font = 1491820;
}  // namespace at

// The byte the stand-in holds at `position`.
char stand_in_byte(std::uint64_t position);

// The first `size` bytes of the stand-in.
std::string stand_in_bytes(std::uint64_t size = stand_in_size);

// Writes the stand-in to `path`, piece by piece so that any size fits.
bool write_stand_in(const std::string& path, std::uint64_t size = stand_in_size);

std::string read_file(const std::string& path);
bool write_file(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);

// `bytes` with the 16-bit value stored least significant byte first at `offset`.
std::string with_value(std::string bytes, std::uint64_t offset, std::uint16_t value);
// `bytes` with `text` and a zero byte at `offset`.
std::string with_name(std::string bytes, std::uint64_t offset, const std::string& text);

// Backups that are no copy of the game, made from its bytes, none differing
// where a run writes: one with 64 KiB of zeros at `hole`, as a disk that
// drops writes leaves it, and one of another build of the same length, three
// bytes apart.
inline constexpr std::uint64_t hole = 800000;
std::string with_a_hole(std::string bytes);
std::string another_build(std::string bytes);
