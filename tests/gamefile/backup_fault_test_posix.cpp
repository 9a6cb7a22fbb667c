#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "gamefile/backup.h"
#include "support/scratch.h"
#include "support/stand_in.h"

namespace {

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
    _exit(make_backup() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_FALSE(file_exists("Halvane.bak"));
  EXPECT_TRUE(make_backup());  // the next run can make a whole one
  EXPECT_TRUE(read_file("Halvane.bak") == stand_in_bytes());
}

}  // namespace
