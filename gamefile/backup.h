#pragma once
// The backup copy of the game executable, made before anything is changed:
// whole or absent, and an existing one is never replaced, opened for
// writing, renamed or removed.

#include "gamefile/file_io.h"
#include "gamefile/game_file.h"

enum class BackupState {
  made,             // a whole copy, on disk
  kept,             // one existed already, of the right size
  kept_not_a_file,  // what exists under the name is a folder, device or broken link
  kept_wrong_size,  // it exists, but cannot be a copy of this file
  kept_same_file,   // it is the game file itself, through a link
  failed,           // none existed and none could be made
};

struct Backup {
  BackupState state;
  FileStatus why;  // for failed
};

// Copies the open game file to backup_file_name unless that name exists
// already. The copy is written under backup_temp_name, checked to be as long
// as the game file, put on disk, and only then named, in one step that never
// replaces anything.
Backup make_backup(const GameFile& game);

// Whether a player can restore the game from the backup.
inline bool whole_backup(const Backup& backup) {
  return backup.state == BackupState::made || backup.state == BackupState::kept;
}
