// The built tool with things taken away from it on purpose: write permission,
// room for a new file, file size. Whatever happens, the game file ends up as
// it was or exactly as confirmed, and a backup is whole or absent.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include "e2e/transcript.h"
#include "support/run_tool.h"
#include "support/scratch.h"
#include "support/stand_in.h"

namespace {

using namespace transcript;

const std::string sizes_and_keys = sizes + "yyy";
// Up to the confirmation; the font question follows only where the sizes were written.
const std::string after_backup =
    instructions + questions(stock_values) + font_question + no_backup_reminder + confirm;

// Run by another account where the tests run as root.
TEST(Faults, FolderThatTakesNoNewFileMeansNoBackupSaidAndTheRunGoesOn) {
  ScratchFolder folder;
  ASSERT_TRUE(write_stand_in(folder.path("Halvane.exe")));
  std::filesystem::permissions(folder.path("Halvane.exe"), std::filesystem::perms::all);
  const std::string tool = tool_as_nobody(folder.root.string());
  std::filesystem::permissions(folder.root,
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                   std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
  const ToolRun run = run_tool(folder.root.string(), sizes_and_keys, {}, 20, tool);
  EXPECT_EQ(mismatch(run.output, banner + backup_failed("this folder does not let me make files") +
                                     after_backup + font_write_question + finished + closing),
            "");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(file_exists(folder.path("Halvane.bak")));
  EXPECT_TRUE(read_file(folder.path("Halvane.exe")) ==
              with_name(sizes_written(stand_in_bytes()), font_offset, "Geneva"));
}

// A file-size limit, as a full disk would impose: below the sizes nothing can
// be written; between the sizes and the font only the font write fails. In
// both the partial backup is removed and the failure is reported.
struct Limit {
  const char* name;
  rlim_t bytes;
  bool sizes_written;
};

void PrintTo(const Limit& limit, std::ostream* os) { *os << limit.name; }

class FileSizeLimit : public testing::TestWithParam<Limit> {};

TEST_P(FileSizeLimit, PartialBackupRemovedAndFailedWriteReported) {
  const Limit& limit = GetParam();
  ScratchFolder folder;
  ASSERT_TRUE(write_stand_in(folder.path("Halvane.exe")));
  const ToolRun run = run_tool(folder.root.string(), sizes_and_keys, [&limit] {
    (void)std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
    const rlimit bytes{limit.bytes, limit.bytes};
    setrlimit(RLIMIT_FSIZE, &bytes);
  });
  EXPECT_EQ(mismatch(run.output, banner + backup_failed("there is not enough room on the disk") +
                                     after_backup + (limit.sizes_written ? font_write_question : "") +
                                     (limit.sizes_written ? write_failed_no_backup("File too large")
                                                          : not_changed("File too large")) +
                                     closing),
            "");
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(file_exists(folder.path("Halvane.bak")));
  const std::string after = read_file(folder.path("Halvane.exe"));
  EXPECT_TRUE(after == (limit.sizes_written ? sizes_written(stand_in_bytes()) : stand_in_bytes()));
}

INSTANTIATE_TEST_SUITE_P(Limits, FileSizeLimit,
                         testing::Values(Limit{"below_the_sizes", 100000, false},
                                         Limit{"between_sizes_and_font", 1000000, true}),
                         [](const testing::TestParamInfo<Limit>& info) { return info.param.name; });

}  // namespace

namespace {

// A disk that fails one access to Halvane.exe, made with strace (which
// counts only the calls on that file): the failure is said with the
// system's words, every later write is skipped, the status is 1 and the
// backup is untouched, and offered as the way back only where it is a copy
// of the game. The answers change all five sizes, each to a value
// the file does not hold, so that every write leaves its trace, in order:
// large height, small height, large width, small width, width check, font.
struct Fault {
  const char* name;
  // The system call that fails, with which error, and which of its calls on
  // Halvane.exe: the first 25 reads compare it with the backup, 64 KiB at a
  // time; the 26th is the build check's.
  const char* injection;
  std::string said;
  std::function<std::string(const std::string&)> game_after;
  int status = 1;
  std::string (*backup)(std::string game) = [](std::string game) { return game; };
};

void PrintTo(const Fault& fault, std::ostream* os) { *os << fault.name; }

std::string unchanged(const std::string& bytes) { return bytes; }

std::string every_size(const std::string& bytes) {
  return with_value(with_value(sizes_written(bytes), at::small_width, 640), at::small_height, 480);
}

// The large height and the small height written, then nothing.
std::string third_write_failed(const std::string& bytes) {
  return with_value(with_value(bytes, at::large_height, 1080), at::small_height, 480);
}

class FailedAccess : public testing::TestWithParam<Fault> {};

TEST_P(FailedAccess, IsSaidWithTheSystemsWordsAndStopsLaterWrites) {
  const Fault& fault = GetParam();
  ScratchFolder folder;
  ASSERT_TRUE(write_stand_in(folder.path("Halvane.exe")));
  ASSERT_TRUE(write_file(folder.path("Halvane.bak"), fault.backup(stand_in_bytes())));
  const std::string tool =
      tool_failing_at(folder.root.string(), folder.path("Halvane.exe"), {fault.injection});
  if (tool.empty()) {
    GTEST_SKIP() << "needs strace, to make an access fail";
  }
  const ToolRun run = run_tool(folder.root.string(), "1920\n1080\n640\n480\n1920\nyyy", {}, 20, tool);
  EXPECT_TRUE(says(run.output, fault.said)) << run.output;
  EXPECT_EQ(run.output.find(finished) == std::string::npos, fault.status == 1);
  EXPECT_EQ(run.status, fault.status);
  const std::string stock = stand_in_bytes();
  EXPECT_TRUE(read_file(folder.path("Halvane.exe")) == fault.game_after(stock));
  EXPECT_TRUE(read_file(folder.path("Halvane.bak")) == fault.backup(stock));
}

INSTANTIATE_TEST_SUITE_P(
    Accesses, FailedAccess,
    testing::Values(
        // The build check's look: a warning with the system's words, and the run goes on.
        Fault{"build_check_read", "pread64:error=EIO:when=26",
              own({"holds nothing I could read", "Input/output error"}),
              [](const std::string& b) { return with_name(every_size(b), font_offset, "Geneva"); }, 0},
        // Said at once, before the question whose value it could not read.
        Fault{"first_size_read", "pread64:error=EIO:when=27",
              instructions + read_failed_now("Input/output error") + question(0, "unreadable"), unchanged},
        Fault{"first_size_read_closing_words", "pread64:error=EIO:when=27",
              own({"Reading Halvane.exe failed", "Input/output error", "didn't change it"}), unchanged},
        Fault{"first_write", "pwrite64:error=EIO:when=1", not_changed("Input/output error"), unchanged},
        // A backup that is no copy of this game is no way back.
        Fault{"third_size_write", "pwrite64:error=ENOSPC:when=3", write_failed("No space left on device"),
              third_write_failed},
        // A backup that is no copy of this game is no way back.
        Fault{"third_size_write_beside_a_backup_with_a_hole", "pwrite64:error=EIO:when=3",
              write_failed_no_backup("Input/output error"), third_write_failed, 1, with_a_hole},
        Fault{"third_size_write_beside_another_build", "pwrite64:error=EIO:when=3",
              write_failed_no_backup("Input/output error"), third_write_failed, 1, another_build},
        Fault{"flush", "fsync:error=EIO:when=1",
              write_failed("Input/output error", "Putting Halvane.exe on the disk"),
              [](const std::string& b) { return with_name(every_size(b), font_offset, "Geneva"); }},
        Fault{"close", "close:error=EIO:when=1", write_failed("Input/output error", "Closing Halvane.exe"),
              [](const std::string& b) { return with_name(every_size(b), font_offset, "Geneva"); }}),
    [](const testing::TestParamInfo<Fault>& info) { return info.param.name; });

}  // namespace

namespace {

// A disk or file system misbehaving at one step of the backup, made with
// strace on Halvane.bak.partial: the backup is whole or absent, and the cause
// is said. Where a way of naming the copy is missing, the next one names it.
struct BackupFault {
  const char* name;
  std::vector<std::string> injections;
  std::string said;
  bool made;
  const char* leftover = nullptr;  // what an earlier run left under the temporary name
};

void PrintTo(const BackupFault& fault, std::ostream* os) { *os << fault.name; }

class FailedBackupStep : public testing::TestWithParam<BackupFault> {};

TEST_P(FailedBackupStep, LeavesTheBackupWholeOrAbsent) {
  const BackupFault& fault = GetParam();
  ScratchFolder folder;
  ASSERT_TRUE(write_stand_in(folder.path("Halvane.exe")));
  if (fault.leftover != nullptr) {
    ASSERT_TRUE(write_file(folder.path("Halvane.bak.partial"), fault.leftover));
  }
  const std::string tool =
      tool_failing_at(folder.root.string(), folder.path("Halvane.bak.partial"), fault.injections);
  if (tool.empty()) {
    GTEST_SKIP() << "needs strace, to make an access fail";
  }
  const ToolRun run = run_tool(folder.root.string(), "", {}, 20, tool);
  EXPECT_TRUE(says(run.output, fault.said)) << run.output;
  EXPECT_TRUE(read_file(folder.path("Halvane.exe")) == stand_in_bytes());
  if (fault.made) {
    EXPECT_TRUE(read_file(folder.path("Halvane.bak")) == stand_in_bytes());
  } else {
    EXPECT_FALSE(file_exists(folder.path("Halvane.bak")));
  }
  // Only a leftover that could not be removed, or a run killed, leaves one.
  const bool stays = fault.leftover != nullptr || fault.said.empty();
  EXPECT_EQ(file_exists(folder.path("Halvane.bak.partial")), stays && !fault.made);
}

const std::string not_made = "I couldn't make a backup";

INSTANTIATE_TEST_SUITE_P(
    Steps, FailedBackupStep,
    testing::Values(
        BackupFault{
            "write_fails", {"pwrite64:error=EIO:when=2"}, own({not_made, "Input/output error"}), false},
        BackupFault{
            "disk_fills_up", {"pwrite64:error=ENOSPC:when=2"}, own({not_made, "not enough room"}), false},
        BackupFault{"flush_fails", {"fsync:error=EIO:when=1"}, own({not_made, "Input/output error"}), false},
        BackupFault{
            "read_back_fails", {"pread64:error=EIO:when=1"}, own({not_made, "Input/output error"}), false},
        // Disks without links (FAT, exFAT) or without a rename that never
        // replaces (both through FUSE, network mounts).
        BackupFault{"no_links", {"link:error=EPERM"}, backup_made, true},
        BackupFault{"no_links_no_exclusive_rename",
                    {"link:error=EPERM", "renameat2:error=EINVAL"},
                    backup_made,
                    true},
        BackupFault{"no_way_to_name",
                    {"link:error=EPERM", "renameat2:error=EINVAL", "rename:error=EIO"},
                    own({not_made, "Input/output error"}),
                    false},
        // Nothing under the backup's name at any moment of the copy.
        BackupFault{"killed_mid_copy", {"pwrite64:signal=KILL:when=2"}, "", false},
        BackupFault{"leftover_that_stays",
                    {"unlink:error=EBUSY"},
                    own({not_made, "Halvane.bak.partial"}),
                    false,
                    "cut short"}),
    [](const testing::TestParamInfo<BackupFault>& info) { return info.param.name; });

}  // namespace
