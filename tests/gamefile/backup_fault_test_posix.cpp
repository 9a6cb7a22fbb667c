#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "gamefile/backup_posix.h"
#include "support/scratch.h"
#include "support/stand_in.h"

namespace {

ssize_t copies_nothing(int, off_t*, int, std::size_t) { return 0; }
ssize_t fails_to_copy(int, off_t*, int, std::size_t) {
  errno = EIO;
  return -1;
}
ssize_t kernel_copy(int from, off_t* offset, int to, std::size_t count) {
  return copy_file_range(from, offset, to, nullptr, count, 0);
}
// A disk that reports the copy done and keeps other bytes, as fusefat can.
ssize_t copies_other_bytes(int, off_t* from_offset, int to, std::size_t count) {
  const std::string zeros(count, '\0');
  const ssize_t wrote = write(to, zeros.data(), count);
  *from_offset += wrote > 0 ? wrote : 0;
  return wrote;
}
int fails_to_sync(int) {
  errno = EIO;
  return -1;
}
// A disk without hard links or an exclusive rename, as FAT through FUSE.
int no_link(const char*, const char*) {
  errno = EPERM;
  return -1;
}
int no_exclusive_rename(const char*, const char*) {
  errno = EINVAL;
  return -1;
}
// The same, where another program takes the backup's name meanwhile.
int no_link_and_name_taken(const char*, const char* to) {
  (void)write_file(to, "older");
  return no_link(nullptr, nullptr);
}

// A disk or file system misbehaving at one step: the backup is whole or
// absent, and no temporary copy is left behind.
struct Step {
  const char* name;
  BackupSteps steps;
  BackupState state;
};

void PrintTo(const Step& step, std::ostream* os) { *os << step.name; }

class BackupStep : public testing::TestWithParam<Step> {};

TEST_P(BackupStep, WholeOrAbsent) {
  InScratchFolder folder;
  ASSERT_TRUE(write_stand_in("Halvane.exe"));
  GameFile game;
  ASSERT_EQ(game.open().problem, FileProblem::none);
  EXPECT_EQ(make_backup(game, GetParam().steps).state, GetParam().state);
  if (GetParam().state == BackupState::made) {
    EXPECT_TRUE(read_file("Halvane.bak") == stand_in_bytes());
  } else if (GetParam().state == BackupState::kept_wrong_size) {
    EXPECT_EQ(read_file("Halvane.bak"), "older");
  } else {
    EXPECT_FALSE(file_exists("Halvane.bak"));
  }
  EXPECT_FALSE(file_exists("Halvane.bak.partial"));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, BackupStep,
    testing::Values(
        Step{"kernel_copy_reports_nothing_copied",
             {copies_nothing, fsync, link, no_exclusive_rename},
             BackupState::made},
        Step{"kernel_copy_fails", {fails_to_copy, fsync, link, no_exclusive_rename}, BackupState::failed},
        Step{"sync_fails", {kernel_copy, fails_to_sync, link, no_exclusive_rename}, BackupState::failed},
        Step{"copy_kept_other_bytes",
             {copies_other_bytes, fsync, link, no_exclusive_rename},
             BackupState::failed},
        Step{"no_link_nor_exclusive_rename",
             {kernel_copy, fsync, no_link, no_exclusive_rename},
             BackupState::made},
        Step{"name_taken_before_plain_rename",
             {kernel_copy, fsync, no_link_and_name_taken, no_exclusive_rename},
             BackupState::kept_wrong_size}),
    [](const testing::TestParamInfo<Step>& info) { return info.param.name; });

// A copy that fails part-way (here the disk "fills" at 100,000 bytes) must
// leave no backup behind, so that the next run can make a whole one.
TEST(BackupFault, CopyFailingPartWayLeavesNoBackup) {
  InScratchFolder folder;
  ASSERT_TRUE(write_stand_in("Halvane.exe"));
  const pid_t child = fork();
  if (child == 0) {
    (void)std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
    const rlimit limit{100000, 100000};
    setrlimit(RLIMIT_FSIZE, &limit);
    GameFile game;
    _exit(game.open().problem == FileProblem::none && make_backup(game).state == BackupState::failed ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(file_exists("Halvane.bak"));
  EXPECT_FALSE(file_exists("Halvane.bak.partial"));
}

}  // namespace
