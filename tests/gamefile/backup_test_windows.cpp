#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include "gamefile/backup.h"
#include "support/scratch.h"
#include "support/stand_in.h"

namespace {

// A virus scanner or indexer opens a new file as soon as it appears. Holding
// the backup that way must not cost the player it: the next run keeps it.
TEST(BackupWithScanner, ABackupHeldByAScannerIsKeptWhole) {
  InScratchFolder folder;
  ASSERT_TRUE(write_stand_in("Halvane.exe"));
  {
    GameFile game;
    ASSERT_EQ(game.open().problem, FileProblem::none);
    ASSERT_EQ(make_backup(game).state, BackupState::made);
  }
  const HANDLE scanner = CreateFileW(L"Halvane.bak", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
  GameFile game;
  ASSERT_EQ(game.open().problem, FileProblem::none);
  EXPECT_EQ(make_backup(game).state, BackupState::kept);
  CloseHandle(scanner);
  EXPECT_TRUE(read_file("Halvane.bak") == stand_in_bytes());
}

}  // namespace
