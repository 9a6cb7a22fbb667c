#pragma once
// The backup copy of the game executable, made before anything is changed:
// whole or absent, and an existing one is never replaced, opened for
// writing, renamed or removed. An existing one counts as the backup only
// where its bytes are the game's, but for those a run changes.

#include <cstdint>
#include <optional>

#include "gamefile/file_io.h"
#include "gamefile/game_file.h"

enum class BackupState {
  made,             // a whole copy, on disk
  kept,             // one existed already, a copy of this game but for the sizes and the font
  kept_not_a_file,  // what exists under the name is a folder, device, broken link or cannot be looked at
  kept_wrong_size,  // it exists, but cannot be a copy of this file
  kept_same_file,   // it is the game file itself, through a link
  kept_not_a_copy,  // as long as the game, but other bytes (or unreadable: `why`)
  failed,           // none existed and none could be made
};

struct Backup {
  BackupState state;
  FileStatus why;               // for failed, and for kept_not_a_copy where it could not be read
  std::uint64_t differing = 0;  // for kept_not_a_copy: the bytes that differ beyond the sizes and the font
};

// What a look at a file found, in the terms both platforms can give.
struct FileFacts {
  bool regular = false;      // a plain file, not a folder or device
  std::uint64_t volume = 0;  // with `index`, which file it is
  std::uint64_t index = 0;
  std::uint64_t index_high = 0;  // the upper half of a 128-bit identifier, where the system gives one
  std::uint64_t size = 0;
};

// Which file Windows says it is: its 128-bit identifier and that identifier's
// volume, taking the place of the 64-bit index and the volume serial in
// `facts`, unless it is all zeros, which a file system without such
// identifiers gives and which "must be ignored" (Microsoft: FILE_ID_INFO).
FileFacts with_file_id(FileFacts facts, std::uint64_t id_volume, const unsigned char (&id)[16]);

// What to make of a Halvane.bak that exists already. `found` is nullopt where
// it could not be looked at (a broken link, a file we may not open): a player
// could not restore from it either, so it counts as no backup.
BackupState existing_backup_state(const std::optional<FileFacts>& found, const FileFacts& game);

// Copies the open game file to backup_file_name unless that name exists
// already. The copy is written under backup_temp_name, put on disk, read
// back against the game file, and only then named, in one step that never
// replaces anything. Where no backup exists, a whole copy left under
// backup_temp_name by a run cut off before it named it is named instead.
Backup make_backup(const GameFile& game);

// Whether a player can restore the game from the backup.
inline bool whole_backup(const Backup& backup) {
  return backup.state == BackupState::made || backup.state == BackupState::kept;
}
