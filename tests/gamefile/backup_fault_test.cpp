#include <gtest/gtest.h>

#include "gamefile/backup_steps.h"
#include "support/scratch.h"
#include "support/stand_in.h"

namespace {

// The system's steps, with no wait between the tries of a held name.
BackupSteps steps_here() {
  BackupSteps steps = system_backup_steps();
  steps.wait_a_moment = [] {};
  return steps;
}

const FileStatus disk_error{FileProblem::other, "a disk error"};
const NameResult unsupported{Naming::unsupported, {}};
int holds_left = 0;  // how many more tries find the copy held

Copied copies_nothing(NativeHandle, NativeHandle, std::uint64_t, std::size_t) { return {0, {}}; }

// Every way of naming but the system's last answers unsupported; the one
// before that last runs `before_last` first.
void only_last_way(BackupSteps& steps, NameResult (*before_last)(NativeHandle)) {
  std::size_t last = 0;
  while (last + 1 < steps.naming.size() && steps.naming[last + 1].name != nullptr) {
    ++last;
  }
  for (std::size_t way = 0; way < last; ++way) {
    steps.naming[way].name = way + 1 == last ? before_last : [](NativeHandle) { return unsupported; };
  }
}

// The first way of naming finds the copy held by another program, as a virus
// scanner holds it, for `holds_left` tries, then names it as the system does.
NameResult held_first(NativeHandle copy) {
  if (holds_left-- > 0) {
    return {Naming::held, disk_error};
  }
  return system_backup_steps().naming[0].name(copy);
}

// A disk or file system misbehaving at one step: the backup is whole or
// absent, and no temporary copy is left behind, on each system's own path.
struct Step {
  const char* name;
  void (*change)(BackupSteps& steps);
  BackupState state;
  FileProblem why = FileProblem::none;
};

void PrintTo(const Step& step, std::ostream* os) { *os << step.name; }

class BackupStep : public testing::TestWithParam<Step> {};

TEST_P(BackupStep, WholeOrAbsent) {
  InScratchFolder folder;
  ASSERT_TRUE(write_stand_in("Halvane.exe"));
  GameFile game;
  ASSERT_EQ(game.open().problem, FileProblem::none);
  BackupSteps steps = steps_here();
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
  EXPECT_EQ(file_exists("Halvane.bak.partial"), GetParam().why == FileProblem::leftover_stuck);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, BackupStep,
    testing::Values(
        Step{"system_copy_copies_nothing", [](BackupSteps& steps) { steps.system_copy = copies_nothing; },
             BackupState::made},
        Step{"system_copy_fails",
             [](BackupSteps& steps) {
               steps.system_copy = [](NativeHandle, NativeHandle, std::uint64_t, std::size_t) {
                 return Copied{0, disk_error};
               };
             },
             BackupState::failed, FileProblem::other},
        // As a disk that fills part-way: here at the second piece.
        Step{"copy_fails_part_way",
             [](BackupSteps& steps) {
               steps.system_copy = copies_nothing;
               steps.copy_piece = [](NativeHandle from, NativeHandle to, std::uint64_t offset, char* piece,
                                     std::size_t count) {
                 return offset == 0 ? copy_at(from, to, offset, piece, count)
                                    : FileStatus{FileProblem::disk_full};
               };
             },
             BackupState::failed, FileProblem::disk_full},
        // A disk that reports the copy done and keeps other bytes, as fusefat can.
        Step{"copy_kept_other_bytes",
             [](BackupSteps& steps) {
               steps.system_copy = [](NativeHandle, NativeHandle to, std::uint64_t offset,
                                      std::size_t count) {
                 const std::string zeros(count, '\0');
                 return Copied{count, write_at(to, offset, zeros.data(), count)};
               };
             },
             BackupState::failed},
        Step{"sync_fails", [](BackupSteps& steps) { steps.sync = [](NativeHandle) { return disk_error; }; },
             BackupState::failed, FileProblem::other},
        // A disk without the better ways: hard links and an exclusive rename
        // on FAT through FUSE, a rename by handle on Windows' older disks.
        Step{"only_the_last_way_of_naming",
             [](BackupSteps& steps) { only_last_way(steps, [](NativeHandle) { return unsupported; }); },
             BackupState::made},
        // The same, where another program takes the backup's name meanwhile.
        Step{"name_taken_before_the_last_way",
             [](BackupSteps& steps) {
               only_last_way(steps, [](NativeHandle) {
                 (void)write_file("Halvane.bak", "older");
                 return unsupported;
               });
             },
             BackupState::kept_wrong_size},
        Step{"naming_fails",
             [](BackupSteps& steps) {
               steps.naming[0].name = [](NativeHandle) { return NameResult{Naming::failed, disk_error}; };
             },
             BackupState::failed, FileProblem::other},
        Step{"held_for_a_moment",
             [](BackupSteps& steps) {
               holds_left = 2;
               steps.naming[0].name = held_first;
             },
             BackupState::made},
        Step{"held_for_good",
             [](BackupSteps& steps) {
               holds_left = 1000;
               steps.naming[0].name = held_first;
             },
             BackupState::failed, FileProblem::other},
        // Ours from an earlier run, which another program holds or which
        // cannot be removed: nothing is copied beside it.
        Step{"leftover_that_stays",
             [](BackupSteps& steps) {
               (void)write_file("Halvane.bak.partial", "cut short");
               steps.remove = [](const char*) { return disk_error; };
             },
             BackupState::failed, FileProblem::leftover_stuck}),
    [](const testing::TestParamInfo<Step>& info) { return info.param.name; });

}  // namespace
