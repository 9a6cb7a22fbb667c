// A leftover copy that another program (a scanner) holds open, sharing delete:
// Windows only marks it for deletion, and its name stays taken meanwhile.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include "gamefile/backup.h"
#include "support/scratch.h"
#include "support/stand_in.h"

namespace {

TEST(LeftoverHeldElsewhere, IsSaidToBeStuckAndNothingIsCopied) {
  InScratchFolder folder;
  ASSERT_TRUE(write_stand_in("Halvane.exe"));
  ASSERT_TRUE(write_file("Halvane.bak.partial", "cut short"));
  const HANDLE held = CreateFileW(L"Halvane.bak.partial", GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  GameFile game;
  ASSERT_EQ(game.open().problem, FileProblem::none);
  const Backup backup = make_backup(game);
  CloseHandle(held);
  EXPECT_EQ(backup.state, BackupState::failed);
  EXPECT_EQ(backup.why.problem, FileProblem::leftover_stuck);
  EXPECT_FALSE(file_exists("Halvane.bak"));
}

}  // namespace
