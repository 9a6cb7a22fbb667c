#include "console/number.h"

#include <gtest/gtest.h>

#include <iterator>
#include <locale>
#include <optional>
#include <sstream>
#include <vector>

namespace {

const std::string complaint = "Please input valid numbers, followed by ENTER\n";

// One row: what the player typed, what successive number questions get, how
// many complaints were printed, and what is still buffered afterwards.
struct Entry {
  const char* name;
  std::string typed;
  std::vector<std::optional<std::uint16_t>> answers;
  int complaints;
  std::string buffered;
};

void PrintTo(const Entry& entry, std::ostream* os) { *os << entry.name; }

class ReadNumber : public testing::TestWithParam<Entry> {};

TEST_P(ReadNumber, AnswersComplaintsAndWhatStaysBuffered) {
  const Entry& entry = GetParam();
  std::istringstream in(entry.typed);
  std::ostringstream out;
  for (const auto& expected : entry.answers) {
    EXPECT_EQ(read_number(in, out), expected);
  }
  std::string complaints;
  for (int i = 0; i < entry.complaints; ++i) {
    complaints += complaint;
  }
  EXPECT_EQ(out.str(), complaints);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in.rdbuf()), {}), entry.buffered);
}

const std::string million_digits(1'000'000, '7');

INSTANTIATE_TEST_SUITE_P(
    Rules, ReadNumber,
    testing::Values(Entry{"plain", "1024\n", {1024}, 0, "\n"}, Entry{"zero", "0\n", {0}, 0, "\n"},
                    Entry{"largest", "65535\n", {65535}, 0, "\n"}, Entry{"plus_sign", "+7\n", {7}, 0, "\n"},
                    Entry{"one_too_large_keeps_the_line", "65536\n7\n", {7}, 1, "\n"},
                    Entry{"in_32_bits_next_token_same_line", "4294967295 600\n", {600}, 1, "\n"},
                    Entry{"above_32_bits_discards_the_line", "4294967296 600\n800\n", {800}, 1, "\n"},
                    Entry{"far_above_32_bits", "99999999999999999999 5\n6\n", {6}, 1, "\n"},
                    Entry{"minus_wraps_and_is_rejected", "-5 600\n", {600}, 1, "\n"},
                    Entry{"letters_then_a_number", "abc\n800\n", {800}, 1, "\n"},
                    Entry{"symbols_only", "!@#\n800\n", {800}, 1, "\n"},
                    Entry{"lone_minus", "-\n5\n", {5}, 1, "\n"},
                    Entry{"blank_lines_are_skipped", "\n\n\n   \n800\n", {800}, 0, "\n"},
                    Entry{"carriage_return_is_white_space", " \t 42\r\n", {42}, 0, "\r\n"},
                    Entry{"two_numbers_on_one_line", "1024 768\n", {1024, 768}, 0, "\n"},
                    Entry{"trailing_letters_fail_the_next_question", "12abc def\n34\n", {12, 34}, 1, "\n"},
                    Entry{"nul_bytes", std::string("\0\0\n9\n", 5), {9}, 1, "\n"},
                    Entry{"bytes_above_127", "\xff\xfe\x80\n9\n", {9}, 1, "\n"},
                    Entry{"thousands_of_blank_lines", std::string(5000, '\n') + "5\n", {5}, 0, "\n"},
                    Entry{"a_line_of_spaces", std::string(5000, ' ') + "\n5\n", {5}, 0, "\n"},
                    Entry{"million_digits", million_digits + " 5\n6\n", {6}, 1, "\n"},
                    Entry{"nothing_typed", "", {std::nullopt}, 0, ""},
                    Entry{"blank_lines_then_end", "\n\n", {std::nullopt}, 0, ""},
                    Entry{"letters_then_end", "abc", {std::nullopt}, 1, ""},
                    Entry{"too_large_then_end", "70000", {std::nullopt}, 1, ""},
                    Entry{"last_number_without_line_end", "123", {123, std::nullopt}, 0, ""}),
    [](const testing::TestParamInfo<Entry>& info) { return info.param.name; });

// A locale that groups thousands, as a player's system locale might.
struct Grouping : std::numpunct<char> {
  char do_thousands_sep() const override { return ','; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(DecimalText, DigitsOnlyWhateverTheGlobalLocale) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Grouping));
  const std::vector<std::pair<std::uint16_t, std::string>> cases = {
      {0, "0"}, {7, "7"}, {800, "800"}, {1024, "1024"}, {65535, "65535"}};
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(decimal_text(value), text);
  }
  std::locale::global(previous);
}

}  // namespace
