#include "gamefile/backup.h"

#include <gtest/gtest.h>
#include <strings.h>

#include <filesystem>

#include "support/scratch.h"
#include "support/stand_in.h"

namespace {

// A stand-in game file, held open as the dialogue holds it while the backup
// is made.
class BackupOfHeldFile : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(write_stand_in("Halvane.exe"));
    ASSERT_EQ(game.open().problem, FileProblem::none);
  }

  InScratchFolder folder;
  GameFile game;
};

TEST_F(BackupOfHeldFile, MadeWholeOnceAndNeverReplaced) {
  EXPECT_EQ(make_backup(game).state, BackupState::made);
  EXPECT_TRUE(read_file("Halvane.bak") == stand_in_bytes());
  EXPECT_FALSE(file_exists("Halvane.bak.partial"));

  // Later runs patch the executable; the backup keeps the first state.
  game.write_value(numeric_sites[0], 1920);
  EXPECT_EQ(make_backup(game).state, BackupState::kept);
  EXPECT_TRUE(read_file("Halvane.bak") == stand_in_bytes());
}

TEST_F(BackupOfHeldFile, LeftoverOfAKilledRunIsReplacedByAWholeCopy) {
  ASSERT_TRUE(write_file("Halvane.bak.partial", "cut short"));
  EXPECT_EQ(make_backup(game).state, BackupState::made);
  EXPECT_TRUE(read_file("Halvane.bak") == stand_in_bytes());
  EXPECT_FALSE(file_exists("Halvane.bak.partial"));
}

// Which file it is goes by the whole identifier, since ReFS keeps no 64-bit
// index unique; an identifier of all zeros is none, and the index decides.
TEST(ExistingBackupState, SameFileByTheWholeIdentifierWhereThereIsOne) {
  const auto facts = [](unsigned char id_start, std::uint64_t index) {
    const unsigned char id[16] = {id_start};
    return with_file_id(FileFacts{true, 7, index, 0, stand_in_size}, 9, id);
  };
  EXPECT_EQ(existing_backup_state(facts(1, 43), facts(1, 42)), BackupState::kept_same_file);
  EXPECT_EQ(existing_backup_state(facts(2, 42), facts(1, 42)), BackupState::kept);
  EXPECT_EQ(existing_backup_state(facts(0, 42), facts(0, 42)), BackupState::kept_same_file);
  EXPECT_EQ(existing_backup_state(facts(0, 43), facts(0, 42)), BackupState::kept);
  EXPECT_EQ(existing_backup_state(facts(0, 42), facts(1, 42)), BackupState::kept);
}

// Whatever stands under the backup's name is looked at and kept as it is.
struct Existing {
  const char* name;
  void (*make)();
  BackupState state;
  bool leftover_stays = false;
};

// The one name in the folder that matches Halvane.bak case-insensitively, as
// Windows finds it; "" for none, or for more than one.
std::string backup_name() {
  std::string found;
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    const std::string name = entry.path().filename().string();
    if (strcasecmp(name.c_str(), "Halvane.bak") == 0) {
      found = found.empty() ? name : "more than one";
    }
  }
  return found;
}

void PrintTo(const Existing& existing, std::ostream* os) { *os << existing.name; }

class ExistingBackup : public BackupOfHeldFile, public testing::WithParamInterface<Existing> {};

// The game as a cut-off run may have left it, patched; whatever stands under
// the backup's name is kept as it is, and a whole leftover becomes the backup.
TEST_P(ExistingBackup, IsKeptByteForByteAndNamed) {
  GetParam().make();
  game.write_value(numeric_sites[0], 1920);
  std::string file = backup_name();
  if (file.empty() && !file_exists("Halvane.bak.partial")) {
    GTEST_SKIP() << "this system made nothing under the name (Wine's symbolic links)";
  }
  const bool folder_there = std::filesystem::is_directory(file);
  const std::string before = folder_there ? "" : read_file(file.empty() ? "Halvane.bak.partial" : file);
  file = file.empty() ? "Halvane.bak" : file;
  EXPECT_EQ(make_backup(game).state, GetParam().state);
  EXPECT_EQ(backup_name(), file) << "no second backup beside it";
  EXPECT_EQ(std::filesystem::is_directory(file), folder_there);
  EXPECT_TRUE((folder_there ? "" : read_file(file)) == before);
  EXPECT_EQ(file_exists("Halvane.bak.partial"), GetParam().leftover_stays);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ExistingBackup,
    testing::Values(
        // Patched by earlier runs at the sizes and the font alone.
        Existing{"copy_of_the_game_patched",
                 [] {
                   (void)write_file(
                       "Halvane.bak",
                       with_name(with_value(stand_in_bytes(), at::large_height, 1080), at::font, "Geneva"));
                 },
                 BackupState::kept},
        // A disk that dropped writes; a backup of another build of the same length.
        Existing{"copy_with_a_hole", [] { (void)write_file("Halvane.bak", with_a_hole(stand_in_bytes())); },
                 BackupState::kept_not_a_copy},
        Existing{"another_build", [] { (void)write_file("Halvane.bak", another_build(stand_in_bytes())); },
                 BackupState::kept_not_a_copy},
        // A run killed between naming its copy and removing the temporary name.
        Existing{"temporary_as_a_second_name",
                 [] {
                   (void)write_stand_in("Halvane.bak");
                   std::filesystem::create_hard_link("Halvane.bak", "Halvane.bak.partial");
                 },
                 BackupState::kept},
        Existing{"whole_leftover_beside_it",
                 [] {
                   (void)write_stand_in("Halvane.bak");
                   (void)write_stand_in("Halvane.bak.partial");
                 },
                 BackupState::kept},
        // Beside a backup of another build, it stays until that one is renamed.
        Existing{"whole_leftover_beside_another_build",
                 [] {
                   (void)write_file("Halvane.bak", another_build(stand_in_bytes()));
                   (void)write_stand_in("Halvane.bak.partial");
                 },
                 BackupState::kept_not_a_copy, true},
        // A run cut off after its copy was whole, before its name was on the disk.
        Existing{"whole_leftover_alone", [] { (void)write_stand_in("Halvane.bak.partial"); },
                 BackupState::made},
        // As Windows finds it: names match case-insensitively.
        Existing{"in_capitals", [] { (void)write_stand_in("HALVANE.BAK"); }, BackupState::kept},
        Existing{"in_capitals_other_bytes",
                 [] { (void)write_file("HALVANE.BAK", std::string(stand_in_size, 'x')); },
                 BackupState::kept_not_a_copy},
        Existing{"other_size", [] { (void)write_file("Halvane.bak", "older"); },
                 BackupState::kept_wrong_size},
        Existing{"folder", [] { std::filesystem::create_directory("Halvane.bak"); },
                 BackupState::kept_not_a_file},
        Existing{"link_to_the_game", [] { std::filesystem::create_hard_link("Halvane.exe", "Halvane.bak"); },
                 BackupState::kept_same_file},
        // A name that exists but cannot be looked at: a player could
        // not restore from it either.
        Existing{"link_to_nothing",
                 [] {
                   std::error_code unsupported;
                   std::filesystem::create_symlink("nowhere", "Halvane.bak", unsupported);
                 },
                 BackupState::kept_not_a_file}),
    [](const testing::TestParamInfo<Existing>& info) { return info.param.name; });

}  // namespace
