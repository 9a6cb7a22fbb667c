#pragma once
// Where build 1.0.10 of the game's Windows executable keeps its screen sizes
// and interface font. The offsets are trusted as they stand: nothing in the
// file is parsed or checked against them.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr char game_file_name[] = "Halvane.exe";
inline constexpr char backup_file_name[] = "Halvane.bak";
// The backup is written under this name and renamed only once it is whole,
// so Halvane.bak is never a part of a copy. A run killed while copying leaves
// it behind, and the next run removes it, or names it the backup where it is
// a whole copy of the game and no backup exists.
inline constexpr char backup_temp_name[] = "Halvane.bak.partial";

// One screen-size constant: an unsigned 16-bit value stored least significant
// byte first at an absolute offset, not necessarily an even one.
struct PatchSite {
  const char* label;
  std::int32_t offset;
};

inline constexpr std::size_t site_count = 5;

// In the order the questions are asked, which is not the order of the offsets.
inline constexpr std::array<PatchSite, site_count> numeric_sites{{
    {"large width", 735781},
    {"large height", 735776},
    {"small width", 735806},
    {"small height", 735801},
    {"width offset check", 735766},
}};

// Indexes into numeric_sites in the order the answers are written: large
// height, small height, large width, small width, width offset check. Once a
// write fails the later ones are skipped, so this order is part of the result.
inline constexpr std::array<std::size_t, site_count> write_order{{1, 3, 0, 2, 4}};

// The interface font's name: single-byte characters and one zero byte.
inline constexpr std::int32_t font_name_offset = 1491820;

// The names a run writes there: the game's own, and the other one offered.
inline constexpr std::string_view original_font = "Arial";
inline constexpr std::string_view other_font = "Geneva";

// The longest of them with its zero byte: what a backup may differ in
// reaches no further.
inline constexpr std::size_t font_name_field = std::max(original_font.size(), other_font.size()) + 1;

// Whether a run may change the byte at `offset`: one of the five sizes or the
// font name. A copy of the game made before any run differs from the game
// after any number of runs at these bytes alone.
constexpr bool changed_by_a_run(std::uint64_t offset) {
  for (const PatchSite& site : numeric_sites) {
    if (offset - static_cast<std::uint64_t>(site.offset) < 2) {
      return true;
    }
  }
  return offset - static_cast<std::uint64_t>(font_name_offset) < font_name_field;
}
