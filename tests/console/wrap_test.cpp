#include <gtest/gtest.h>

#include "console/say.h"

namespace {

struct Wrap {
  const char* name;
  std::string text;
  std::size_t width;
  std::string lines;
};

void PrintTo(const Wrap& wrap, std::ostream* os) { *os << wrap.name; }

class Wrapped : public testing::TestWithParam<Wrap> {};

TEST_P(Wrapped, BreaksAtSpacesWithinTheWidth) {
  EXPECT_EQ(wrapped(GetParam().text, GetParam().width), GetParam().lines);
}

// "Нет места" (no room): two words of 3 and 5 letters, 2 bytes each.
INSTANTIATE_TEST_SUITE_P(
    Texts, Wrapped,
    testing::Values(Wrap{"fits_as_it_is", "one two three", 13, "one two three"},
                    Wrap{"breaks_at_the_last_space_that_fits", "one two three", 12, "one two\nthree"},
                    Wrap{"its_own_line_ends_kept", "one two\nthree four", 9, "one two\nthree\nfour"},
                    Wrap{"characters_not_bytes",
                         "ab \xD0\x9D\xD0\xB5\xD1\x82 \xD0\xBC\xD0\xB5\xD1\x81\xD1\x82\xD0\xB0", 9,
                         "ab \xD0\x9D\xD0\xB5\xD1\x82\n\xD0\xBC\xD0\xB5\xD1\x81\xD1\x82\xD0\xB0"},
                    Wrap{"a_word_too_long_is_cut", "a abcdefgh b", 4, "a\nabcd\nefgh\nb"},
                    // "中文字" (Chinese text): wide, two columns each, and breakable between.
                    Wrap{"wide_characters_take_two_columns_and_break_between",
                         "ab \xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97 cd", 6,
                         "ab \xE4\xB8\xAD\n\xE6\x96\x87\xE5\xAD\x97\ncd"},
                    // "café" with a combining acute accent, and a zero-width space inside a word.
                    Wrap{"combining_and_zero_width_take_none",
                         "cafe\xCC\x81 a\xE2\x80\x8B"
                         "b",
                         7,
                         "cafe\xCC\x81 a\xE2\x80\x8B"
                         "b"},
                    // "नमस्ते नमस्ते" (Hindi): the virama and the vowel sign take no column, so 4 + 1 + 4 fit 9.
                    Wrap{"indic_marks_take_none",
                         "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87 "
                         "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87",
                         9,
                         "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87 "
                         "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87"},
                    Wrap{"width_zero_leaves_it_as_it_is", "one two", 0, "one two"}),
    [](const testing::TestParamInfo<Wrap>& info) { return info.param.name; });

}  // namespace
