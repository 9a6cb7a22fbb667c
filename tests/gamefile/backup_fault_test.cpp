#include <gtest/gtest.h>

#include "gamefile/backup_steps.h"
#include "support/scratch.h"
#include "support/stand_in.h"

namespace {

CopyResult copies_nothing(NativeHandle, NativeHandle, std::uint64_t, std::size_t) { return {0, {}}; }

// The system's steps, with no wait between the tries of a held name, and
// every piece read and written through copy_piece, which a row can fail.
BackupSteps steps_here() {
  BackupSteps steps = system_backup_steps();
  steps.wait_a_moment = [] {};
  steps.system_copy = copies_nothing;
  return steps;
}

const FileStatus disk_error{FileProblem::other, "a disk error"};
const NameResult unsupported{Naming::unsupported, {}};
int holds_left = 0;  // how many more tries find the copy held

CopyResult copy_fails(NativeHandle, NativeHandle, std::uint64_t, std::size_t) { return {0, disk_error}; }
// A disk that reports the copy done and keeps other bytes, as fusefat can.
FileStatus keeps_zeros(NativeHandle, NativeHandle to, std::uint64_t offset, char*, std::size_t count) {
  const std::string zeros(count, '\0');
  return write_at(to, offset, zeros.data(), count);
}
// What a run killed at the second piece would leave: no part of a backup under its name.
bool backup_seen_mid_copy = false;
FileStatus looked_at_mid_copy(NativeHandle from, NativeHandle to, std::uint64_t offset, char* piece,
                              std::size_t count) {
  backup_seen_mid_copy = backup_seen_mid_copy || (offset > 0 && file_exists("Halvane.bak"));
  return copy_at(from, to, offset, piece, count);
}
// A disk that fills part-way: here at the second piece.
FileStatus fills_up(NativeHandle from, NativeHandle to, std::uint64_t offset, char* piece,
                    std::size_t count) {
  return offset == 0 ? copy_at(from, to, offset, piece, count) : FileStatus{FileProblem::disk_full};
}

NameResult (*before_last)() = nullptr;

// Every way of naming but the system's last is unsupported; the one before it runs `before`.
void only_last_way(BackupSteps& steps, NameResult (*before)()) {
  before_last = before;
  for (auto& way : steps.while_open) {
    way = [](NativeHandle) { return unsupported; };
  }
  for (std::size_t way = 0; way + 1 < steps.after_close.size(); ++way) {
    steps.after_close[way] = [] { return unsupported; };
  }
  if (steps.after_close.size() > 1) {
    steps.after_close[steps.after_close.size() - 2] = [] { return before_last(); };
  } else {
    steps.while_open.back() = [](NativeHandle) { return before_last(); };
  }
}

// Another program takes the backup's name before the last way is tried.
NameResult takes_the_name() {
  (void)write_file("Halvane.bak", "older");
  return unsupported;
}

// The system's first way of naming held, as by a virus scanner, for
// `holds_left` tries; then it names the copy as the system does.
void first_way_held(BackupSteps& steps) {
  if (!steps.while_open.empty()) {
    steps.while_open[0] = [](NativeHandle copy) {
      return holds_left-- > 0 ? NameResult{Naming::held, disk_error}
                              : system_backup_steps().while_open[0](copy);
    };
  } else {
    steps.after_close[0] = [] {
      return holds_left-- > 0 ? NameResult{Naming::held, disk_error} : system_backup_steps().after_close[0]();
    };
  }
}

// A disk or file system misbehaving at one step: the backup is whole or
// absent, and no temporary copy is left behind, on each system's own path.
struct Step {
  const char* name;
  void (*change)(BackupSteps& steps);
  BackupState state;
  FileProblem why = FileProblem::none;
  int holds = 0;  // tries that find the copy held, where the first way is held
  bool leftover_stays = false;
};

void PrintTo(const Step& step, std::ostream* os) { *os << step.name; }

class BackupStep : public testing::TestWithParam<Step> {};

TEST_P(BackupStep, WholeOrAbsent) {
  InScratchFolder folder;
  ASSERT_TRUE(write_stand_in("Halvane.exe"));
  GameFile game;
  ASSERT_EQ(game.open().problem, FileProblem::none);
  BackupSteps steps = steps_here();
  holds_left = GetParam().holds;
  backup_seen_mid_copy = false;
  GetParam().change(steps);
  const Backup backup = make_backup(game, steps);
  EXPECT_EQ(backup.state, GetParam().state);
  if (GetParam().why != FileProblem::none) {
    EXPECT_EQ(backup.why.problem, GetParam().why);
  }
  if (GetParam().state == BackupState::made) {
    EXPECT_TRUE(read_file("Halvane.bak") == stand_in_bytes());
  } else if (GetParam().state == BackupState::kept_wrong_size) {
    EXPECT_EQ(read_file("Halvane.bak"), "older");
  } else {
    EXPECT_FALSE(file_exists("Halvane.bak"));
  }
  EXPECT_EQ(file_exists("Halvane.bak.partial"), GetParam().leftover_stays);
  EXPECT_FALSE(backup_seen_mid_copy) << "a run killed mid-copy would leave part of a backup";
}

INSTANTIATE_TEST_SUITE_P(
    Steps, BackupStep,
    testing::Values(
        Step{"system_copy_fails", [](BackupSteps& s) { s.system_copy = copy_fails; }, BackupState::failed,
             FileProblem::other},
        Step{"killed_mid_copy", [](BackupSteps& s) { s.copy_piece = looked_at_mid_copy; }, BackupState::made},
        Step{"copy_fails_part_way", [](BackupSteps& s) { s.copy_piece = fills_up; }, BackupState::failed,
             FileProblem::disk_full},
        Step{"copy_kept_other_bytes", [](BackupSteps& s) { s.copy_piece = keeps_zeros; },
             BackupState::failed},
        Step{"sync_fails", [](BackupSteps& s) { s.sync = [](NativeHandle) { return disk_error; }; },
             BackupState::failed, FileProblem::other},
        // A disk without the better ways: hard links and an exclusive rename
        // on FAT through FUSE, a rename by handle on Windows' older disks.
        Step{"only_the_last_way_of_naming",
             [](BackupSteps& s) { only_last_way(s, [] { return unsupported; }); }, BackupState::made},
        Step{"name_taken_before_the_last_way", [](BackupSteps& s) { only_last_way(s, takes_the_name); },
             BackupState::kept_wrong_size},
        Step{"held_for_a_moment", first_way_held, BackupState::made, FileProblem::none, 2},
        Step{"held_for_good", first_way_held, BackupState::failed, FileProblem::other, 1000},
        // Ours from an earlier run, which another program holds or which
        // cannot be removed: nothing is copied beside it.
        Step{"leftover_that_stays",
             [](BackupSteps& s) {
               (void)write_file("Halvane.bak.partial", "cut short");
               s.remove = [](const char*) { return disk_error; };
             },
             BackupState::failed, FileProblem::leftover_stuck, 0, true},
        // A whole one that cannot be named stays, for the next run to name.
        Step{"whole_leftover_held_for_good",
             [](BackupSteps& s) {
               (void)write_stand_in("Halvane.bak.partial");
               for (auto& way : s.after_close) {
                 way = [] { return NameResult{Naming::held, disk_error}; };
               }
             },
             BackupState::failed, FileProblem::other, 0, true}),
    [](const testing::TestParamInfo<Step>& info) { return info.param.name; });

}  // namespace
