#include "gamefile/game_file.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <vector>

#include "gamefile/build_check.h"
#include "support/scratch.h"
#include "support/stand_in.h"

namespace {

// The tool's own table; the stand-in, written from the game's layout by
// hand, is what checks it (StockValuesReadInQuestionOrder).
std::uint64_t offset_of(std::size_t site) { return static_cast<std::uint64_t>(numeric_sites[site].offset); }
constexpr auto font_offset = static_cast<std::uint64_t>(font_name_offset);

bool opened(GameFile& file) { return file.open().problem == FileProblem::none; }

TEST(GameFileSites, StockValuesReadInQuestionOrder) {
  InScratchFolder folder;
  ASSERT_TRUE(write_stand_in("Halvane.exe"));
  GameFile file;
  ASSERT_TRUE(opened(file));
  const std::array<std::uint16_t, 5> stock{1024, 768, 800, 600, 1024};
  for (std::size_t i = 0; i < numeric_sites.size(); ++i) {
    EXPECT_EQ(file.read_value(numeric_sites[i]), stock[i]) << numeric_sites[i].label;
  }
}

// Each value lands least significant byte first, at odd offsets too, and
// nothing else in the file moves.
TEST(GameFileSites, WritesOnlyTheTwoBytesOfEachSite) {
  const std::vector<std::pair<std::size_t, std::uint16_t>> writes = {
      {0, 1920}, {1, 65535}, {2, 800}, {3, 1}, {4, 256}};
  InScratchFolder folder;
  ASSERT_TRUE(write_stand_in("Halvane.exe"));
  std::string expected = stand_in_bytes();
  GameFile file;
  ASSERT_TRUE(opened(file));
  for (const auto& [site, value] : writes) {
    file.write_value(numeric_sites[site], value);
    expected = with_value(expected, offset_of(site), value);
  }
  EXPECT_TRUE(file.close());
  const std::string written = read_file("Halvane.exe");
  EXPECT_EQ(written.size(), stand_in_size);
  EXPECT_TRUE(written == expected);
  EXPECT_EQ(written.substr(offset_of(2), 2), std::string("\x20\x03", 2));
  EXPECT_EQ(written.substr(offset_of(1), 2), std::string("\xff\xff", 2));
}

TEST(GameFileFont, NamesAreWrittenWithOneZeroByteAndNoPadding) {
  InScratchFolder folder;
  ASSERT_TRUE(write_stand_in("Halvane.exe"));
  const std::string stock = stand_in_bytes();
  ASSERT_NE(stock[font_offset + 6], '\0');  // the byte after the stock "Arial" terminator

  GameFile file;
  ASSERT_TRUE(opened(file));
  file.write_font_name("Geneva");
  ASSERT_TRUE(file.close());
  const std::string geneva = read_file("Halvane.exe");
  EXPECT_TRUE(geneva == with_name(stock, font_offset, "Geneva"));
  EXPECT_EQ(geneva.substr(font_offset, 8), std::string("Geneva\0", 7) + stock[font_offset + 7]);

  ASSERT_TRUE(opened(file));
  file.write_font_name("Arial");
  ASSERT_TRUE(file.close());
  const std::string arial = read_file("Halvane.exe");
  EXPECT_EQ(arial.substr(font_offset, 7), std::string("Arial\0\0", 7));  // Geneva's zero stays
  EXPECT_EQ(arial.size(), stand_in_size);
}

// What stands in the font-name field tells a 1.0.10 file from another.
struct FontField {
  const char* name;
  std::string game;
  std::string finding;
};

void PrintTo(const FontField& field, std::ostream* os) { *os << field.name; }

class BuildCheck : public testing::TestWithParam<FontField> {};

TEST_P(BuildCheck, KnownNamesAreSilentAndAnythingElseIsDescribed) {
  InScratchFolder folder;
  ASSERT_TRUE(write_file("Halvane.exe", GetParam().game));
  GameFile file;
  ASSERT_TRUE(opened(file));
  EXPECT_EQ(unknown_build_finding(file), GetParam().finding);
  file.write_value(numeric_sites[0], 1920);  // the look leaves later writes possible
  EXPECT_EQ(file.close(), GetParam().game.size() > offset_of(0) + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, BuildCheck,
    testing::Values(
        FontField{"arial", stand_in_bytes(), ""},
        FontField{"geneva", with_name(stand_in_bytes(), font_offset, "Geneva"), ""},
        FontField{"another_name", with_name(stand_in_bytes(), font_offset, "Tahoma"), "the name \"Tahoma\""},
        FontField{"a_longer_name", with_name(stand_in_bytes(), font_offset, "Arial Black"),
                  "the name \"Arial Black\""},
        FontField{"zero_bytes", std::string(stand_in_size, '\0'), "zero bytes"},
        FontField{"short_file", stand_in_bytes(800000), "nothing: the file ends before that place"},
        FontField{"empty_file", "", "nothing: the file ends before that place"}),
    [](const testing::TestParamInfo<FontField>& info) { return info.param.name; });

// Files cut short at every boundary: before, inside and just after each
// numeric site, and around the font site. Once one read fails every later
// access is skipped, so such a file is never written; a write that would
// lengthen the file is refused. Either way the failure shows in close().
class ShortFile : public testing::TestWithParam<std::uint64_t> {};

TEST_P(ShortFile, IsNeverLengthenedAndNeverWrittenAfterAFailedRead) {
  const std::uint64_t size = GetParam();
  InScratchFolder folder;
  ASSERT_TRUE(write_stand_in("Halvane.exe", size));
  const std::string original = stand_in_bytes(size);

  GameFile file;
  ASSERT_TRUE(opened(file));
  bool reads_ok = true;
  for (std::size_t i = 0; i < numeric_sites.size(); ++i) {
    reads_ok = reads_ok && offset_of(i) + 2 <= size;  // sticky: one failure fails the rest
    EXPECT_EQ(file.read_value(numeric_sites[i]).has_value(), reads_ok) << numeric_sites[i].label;
  }
  for (const std::size_t i : write_order) {
    file.write_value(numeric_sites[i], 1234);
  }
  file.write_font_name("Geneva");
  const bool font_fits = font_offset + 7 <= size;
  EXPECT_EQ(file.close(), reads_ok && font_fits);

  std::string expected = original;
  if (reads_ok) {
    for (std::size_t i = 0; i < site_count; ++i) {
      expected = with_value(expected, offset_of(i), 1234);
    }
    if (font_fits) {
      expected = with_name(expected, font_offset, "Geneva");
    }
  }
  const std::string after = read_file("Halvane.exe");
  EXPECT_EQ(after.size(), size);
  EXPECT_TRUE(after == expected);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, ShortFile,
                         // Lengths that end before, inside and just after each value.
                         testing::Values(0, 100, at::width_check, at::width_check + 1, at::width_check + 2,
                                         at::large_height + 1, at::large_width + 1, 735790,
                                         at::small_height + 1, at::small_width + 1, at::small_width + 2,
                                         800000, at::font, at::font + 3, at::font + 6, at::font + 7));

}  // namespace
