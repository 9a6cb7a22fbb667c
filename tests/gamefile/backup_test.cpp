#include "gamefile/backup.h"

#include <gtest/gtest.h>

#include "support/scratch.h"
#include "support/stand_in.h"

namespace {

TEST(Backup, MadeOnceAndNeverReplaced) {
  InScratchFolder folder;
  ASSERT_TRUE(write_stand_in("Halvane.exe"));
  EXPECT_TRUE(make_backup());
  EXPECT_TRUE(read_file("Halvane.bak") == stand_in_bytes());

  // Later runs patch the executable; the backup keeps the first state.
  ASSERT_TRUE(write_file("Halvane.exe", "patched"));
  EXPECT_FALSE(make_backup());
  EXPECT_TRUE(read_file("Halvane.bak") == stand_in_bytes());
}

TEST(Backup, ExistingBackupIsLeftByteForByte) {
  InScratchFolder folder;
  ASSERT_TRUE(write_stand_in("Halvane.exe"));
  const std::string old_backup("an older backup\0\xff", 17);
  ASSERT_TRUE(write_file("Halvane.bak", old_backup));
  EXPECT_FALSE(make_backup());
  EXPECT_EQ(read_file("Halvane.bak"), old_backup);
}

TEST(Backup, NothingToCopyMakesNoBackup) {
  InScratchFolder folder;
  EXPECT_FALSE(make_backup());
  EXPECT_FALSE(file_exists("Halvane.bak"));
}

}  // namespace
