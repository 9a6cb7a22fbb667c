#pragma once
// How another file compares with the open game file: the backup's check of
// the copy it made, and of one it finds. Both files are read as the system
// returns them, through its cache: that catches a disk that reports a write
// done and then loses it (fusefat), not a card that loses data under the
// cache after the run.

#include <cstdint>
#include <string>

#include "gamefile/file_io.h"
#include "gamefile/game_file.h"

// Which bytes a comparison counts.
enum class Counted { all, beyond_a_runs_changes };

struct Comparison {
  FileStatus why;               // ok() where both were read; too_short where the file ends first
  std::uint64_t differing = 0;  // bytes counted that differ, and one more where the file is longer
};

// The file under `name`, opened afresh as a player's restore would open it,
// against the game file's first `size` bytes.
Comparison compare_with_game(const GameFile& game, const std::string& name, std::uint64_t size,
                             Counted counted);
