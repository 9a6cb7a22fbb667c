// The whole dialogue, scripted through a pipe with no console: every byte the
// player sees, the exit status, and every byte of the game file and backup.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

#include "e2e/transcript.h"
#include "support/run_tool.h"
#include "support/scratch.h"
#include "support/stand_in.h"

namespace {

using namespace transcript;

constexpr std::uint64_t font = font_offset;

std::string unchanged(std::string bytes) { return bytes; }

// A file already under the backup's name, made from the game's bytes.
struct Existing {
  const char* name = nullptr;  // nullptr for none
  std::function<std::string(std::string)> bytes;
};
const Existing no_backup;

struct Path {
  const char* name;
  std::uint64_t size;  // of the stand-in game file; 0 for none at all
  std::string input;
  std::string output;
  int status;
  std::function<std::string(std::string)> game_after;
  Existing backup = no_backup;       // kept byte for byte, and no second one made beside it
  bool written_again = false;        // every answer equals its value: the file is written all the same
  const char* game = "Halvane.exe";  // the game file's name in the folder
  const char* beside = nullptr;      // another spelling of it, which is not the game
  std::function<std::string(std::string)> game_before = unchanged;  // as an earlier run left it
};

void PrintTo(const Path& path, std::ostream* os) { *os << path.name; }

class Dialogue : public testing::TestWithParam<Path> {};

TEST_P(Dialogue, TranscriptStatusAndFiles) {
  const Path& path = GetParam();
  ScratchFolder folder;
  const std::string game = folder.path(path.game);
  if (path.size > 0) {
    ASSERT_TRUE(write_file(game, path.game_before(stand_in_bytes(path.size))));
  }
  if (path.beside != nullptr) {
#if defined(_WIN32)
    GTEST_SKIP() << "a folder of Windows holds one spelling of a name";
#endif
    ASSERT_TRUE(write_stand_in(folder.path(path.beside), path.size));
  }
  if (path.backup.name != nullptr) {
    ASSERT_TRUE(write_file(folder.path(path.backup.name), path.backup.bytes(stand_in_bytes(path.size))));
  }
  // A time long past: a write, even of the same bytes, makes it the present.
  const auto long_ago = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365);
  if (path.size > 0) {
    std::filesystem::last_write_time(game, long_ago);
  }
  const ToolRun run = run_tool(folder.root.string(), path.input);
  ASSERT_FALSE(run.timed_out);
  std::string output = path.output;
  if (const std::size_t at = output.find(looked_in); at != std::string::npos) {
    output.insert(at + looked_in.size(), folder.root.string());
  }
  EXPECT_EQ(mismatch(run.output, output), "");
  EXPECT_EQ(too_wide(run.output), "");
  EXPECT_EQ(run.status, path.status);
  if (path.size == 0) {
    EXPECT_TRUE(std::filesystem::is_empty(folder.root)) << "nothing may be created";
    return;
  }
  const std::string before = stand_in_bytes(path.size);
  const std::string after = read_file(game);
  EXPECT_EQ(after.size(), before.size());
  EXPECT_TRUE(after == path.game_after(before)) << "the game file differs from what was confirmed";
  if (path.written_again) {
    EXPECT_NE(std::filesystem::last_write_time(game), long_ago) << "the same values were not written again";
  }
  if (path.backup.name != nullptr) {
    EXPECT_TRUE(read_file(folder.path(path.backup.name)) == path.backup.bytes(before));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.root), {}), 2);
  } else {
    EXPECT_TRUE(read_file(folder.path("Halvane.bak")) == before) << "the backup is the file as found";
  }
  if (path.beside != nullptr) {
    EXPECT_TRUE(read_file(folder.path(path.beside)) == before) << "the exact name is the game";
  }
}

const std::string sizes_asked = opening + questions(stock_values);
// A first run answered to the end.
const std::string whole_run =
    sizes_asked + font_question + confirm + font_write_question + finished + closing;

std::string with_geneva(const std::string& bytes) { return with_name(sizes_written(bytes), font, "Geneva"); }

// A run beside a whole backup, which is not mentioned.
const std::string beside_a_backup = banner + instructions + questions(stock_values) + font_question +
                                    confirm + font_write_question + finished + closing;
// A run beside a backup that is no copy of this game: said before the
// questions and recalled before the confirmation.
std::string beside_no_copy(const std::string& said) {
  return banner + said + instructions + questions(stock_values) + font_question + no_backup_reminder +
         confirm + font_write_question + finished + closing;
}
const std::string hole_bytes = [] {
  const std::string stock = stand_in_bytes();
  return std::to_string(
      std::count_if(stock.begin() + hole, stock.begin() + hole + 65536, [](char b) { return b != 0; }));
}();
INSTANTIATE_TEST_SUITE_P(
    Paths, Dialogue,
    testing::Values(
        Path{"not_found", 0, "y", not_found + looked_in + "\n" + closing, 0, unchanged},
        Path{"declined", stand_in_size, sizes + "yn",
             sizes_asked + font_question + confirm + declined + closing, 0, unchanged},
        Path{"confirmed_with_geneva", stand_in_size, sizes + "yyy", whole_run, 0, with_geneva},
        // As Windows finds the game: under another spelling where no exact one stands.
        Path{"game_in_capitals", stand_in_size, sizes + "yyy", whole_run, 0, with_geneva, no_backup, false,
             "HALVANE.EXE"},
        Path{"game_in_small_letters", stand_in_size, sizes + "yyn", whole_run, 0, sizes_written, no_backup,
             false, "halvane.exe"},
        Path{"exact_name_before_capitals", stand_in_size, sizes + "yyn", whole_run, 0, sizes_written,
             no_backup, false, "Halvane.exe", "HALVANE.EXE"},
        // An existing backup, judged by its bytes beyond the sizes and the font.
        Path{"backup_with_a_hole", stand_in_size, sizes + "yyn",
             beside_no_copy(backup_not_a_copy(hole_bytes)), 0, sizes_written,
             Existing{"Halvane.bak", with_a_hole}},
        Path{"backup_of_another_build", stand_in_size, sizes + "yyn", beside_no_copy(backup_not_a_copy("3")),
             0, sizes_written, Existing{"Halvane.bak", another_build}},
        Path{"backup_of_another_size", stand_in_size, sizes + "yyn", beside_no_copy(backup_wrong_size), 0,
             sizes_written, Existing{"Halvane.bak", [](const std::string&) { return std::string("older"); }}},
        // A second run shows the first's values, and keeps the first's backup; "Arial"
        // over "Geneva" leaves Geneva's terminator as the seventh byte.
        Path{"second_run", stand_in_size, "0\n0\n0\n0\n0\nnyy",
             banner + instructions + questions({"1920", "1080", "800", "600", "1920"}) + font_question +
                 confirm + font_write_question + finished + closing,
             0,
             [](const std::string& b) { return with_name(with_geneva(b), font, std::string("Arial\0", 6)); },
             Existing{"Halvane.bak", unchanged}, false, "Halvane.exe", nullptr, with_geneva},
        Path{"backup_patched_earlier", stand_in_size, sizes + "yyn", beside_a_backup, 0, sizes_written,
             Existing{"Halvane.bak", with_geneva}},
        // As Windows finds it: names match case-insensitively.
        Path{"backup_in_capitals", stand_in_size, sizes + "yyn", beside_a_backup, 0, sizes_written,
             Existing{"HALVANE.BAK", unchanged}},
        Path{"font_write_declined", stand_in_size, sizes + "yyn", whole_run, 0, sizes_written},
        Path{"all_zero_only_the_font", stand_in_size, "0\n0\n0\n0\n0\nyyy", whole_run, 0,
             [](const std::string& b) { return with_name(b, font, "Geneva"); }},
        Path{"same_values_written_again", stand_in_size, "1024\n768\n800\n600\n1024\nnyn", whole_run, 0,
             unchanged, no_backup, true},
        Path{"invalid_entries_complain_once_each", stand_in_size, "abc\n70000 1920\n1080\n0\n0\n1920\nyyn",
             opening + question(0, "1024") + complaint + complaint + question(1, "768") + question(2, "800") +
                 question(3, "600") + question(4, "1024") + font_question + confirm + font_write_question +
                 finished + closing,
             0, sizes_written},
        Path{"a_million_digits_is_one_complaint", stand_in_size,
             std::string(1'000'000, '9') + "\n" + sizes + "yyn",
             opening + question(0, "1024") + complaint + question(1, "768") + question(2, "800") +
                 question(3, "600") + question(4, "1024") + font_question + confirm + font_write_question +
                 finished + closing,
             0, sizes_written},
        Path{"other_keys_ignored", stand_in_size, sizes + "\nYNx5\r\ny" + "Yy" + "Nn" + "q", whole_run, 0,
             sizes_written},
        Path{"ended_before_any_answer", stand_in_size, "", opening + question(0, "1024") + ended_unchanged, 1,
             unchanged},
        Path{"ended_among_the_sizes", stand_in_size, "1920\n1080\n",
             opening + question(0, "1024") + question(1, "768") + question(2, "800") + ended_unchanged, 1,
             unchanged},
        Path{"ended_at_font_question", stand_in_size, sizes, sizes_asked + font_question + ended_unchanged, 1,
             unchanged},
        Path{"ended_at_confirmation", stand_in_size, sizes + "y",
             sizes_asked + font_question + confirm + ended_unchanged, 1, unchanged},
        Path{"ended_at_font_write", stand_in_size, sizes + "yy",
             sizes_asked + font_question + confirm + font_write_question + ended_font, 1, sizes_written},
        // Only a console has a Ctrl-C key: a piped byte 3 is skipped like any other.
        Path{"ctrl_c_byte_in_a_pipe_is_skipped", stand_in_size, sizes + "y\x03y\x03n", whole_run, 0,
             sizes_written},
        Path{"font_site_past_the_end", 800000, sizes + "yyy",
             banner + backup_made + ends_before_font + instructions + questions(stock_values) +
                 font_question + confirm + font_write_question + write_failed(past_the_end) + closing,
             1, sizes_written},
        // Its one write, the font's, fails before any byte reached the file.
        Path{"font_alone_past_the_end", 800000, "0\n0\n0\n0\n0\nyyy",
             banner + backup_made + ends_before_font + instructions + questions(stock_values) +
                 font_question + confirm + font_write_question + not_changed(past_the_end) + closing,
             1, unchanged},
        Path{"too_short_for_the_sizes", 1000, sizes + "yyy",
             banner + backup_made + ends_before_font + instructions + too_short_now +
                 questions({"unreadable", "unreadable", "unreadable", "unreadable", "unreadable"}) +
                 font_question + confirm + too_short + closing,
             1, unchanged},
        Path{"too_short_declined", 1000, sizes + "yn",
             banner + backup_made + ends_before_font + instructions + too_short_now +
                 questions({"unreadable", "unreadable", "unreadable", "unreadable", "unreadable"}) +
                 font_question + confirm + declined + closing,
             1, unchanged}),
    [](const testing::TestParamInfo<Path>& info) { return info.param.name; });

// Started from another folder, with the game beside the tool: the folder
// looked in, then the tool's own, named; nothing made in either.
TEST(DialogueAgain, StartedElsewhereNamesItsOwnFolderWhereTheGameIs) {
  ScratchFolder game;
  ScratchFolder elsewhere;
  ASSERT_TRUE(write_stand_in(game.path("Halvane.exe")));
  const std::string tool = game.path(std::filesystem::path(HALVANE_RES_PATH).filename().string());
  std::filesystem::copy_file(HALVANE_RES_PATH, tool);
  const ToolRun run = run_tool(elsewhere.root.string(), "y", {}, 20, tool);
  const std::string said = not_found + looked_in + elsewhere.root.string() + "\n";
  EXPECT_EQ(run.output.substr(0, said.size()), said);
  EXPECT_NE(run.output.find("\n" + game.root.string() + "\nStart me from that folder"), std::string::npos)
      << run.output;
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere.root));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(game.root), {}), 2);
}

#if defined(_WIN32)
// Explorer runs a program started from inside a zip from a copy of it in the
// temporary folder, with nothing beside it.
TEST(DialogueAgain, NotFoundInsideAZipSaysToExtractFirst) {
  const ScratchFolder name;
  const std::filesystem::path copy =
      std::filesystem::temp_directory_path() / ("Temp1_" + name.root.filename().string() + ".zip");
  ASSERT_TRUE(std::filesystem::create_directory(copy));
  const ToolRun run = run_tool(copy.string(), "y");
  std::filesystem::remove(copy);
  EXPECT_EQ(run.output,
            not_found + "I am running from inside a zip or other archive, in a temporary folder:\n" +
                copy.string() + "\nExtract me into the game's folder first, and run me there.\n" + closing);
}
#endif

}  // namespace
