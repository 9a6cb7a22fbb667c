#pragma once
// The backup's steps that depend on the system and the disk, as one table
// that each platform fills (backup_linux.cpp, backup_windows.cpp) and that
// tests change one step at a time, so that every way out is tried on both.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "gamefile/backup.h"

// What became of one way of giving the finished copy the backup's name.
enum class Naming {
  named,        // the copy is the backup now
  taken,        // something has the name already, and nothing was replaced
  unsupported,  // this system or disk has no such way: the next is tried
  held,         // another program (a virus scanner) holds the copy for a moment
  failed,
};

struct NameResult {
  Naming outcome;
  FileStatus why;  // for held and failed
};

// Ways of naming the copy without replacing anything: through the handle
// that wrote it, while it is open, or by its name once it is closed.
using NameOpenCopy = NameResult (*)(NativeHandle copy);
using NameClosedCopy = NameResult (*)();

// What a look under a name found.
enum class Look {
  nothing,     // nothing has the name
  judged,      // something has it, judged in `state` against the game file
  unanswered,  // the name could not be looked at, for `why`
};

struct Looked {
  Look outcome;
  BackupState state = BackupState::kept_not_a_file;  // for judged
  FileStatus why;                                    // for unanswered
};

// The bytes the system's own copy moved, or why it failed.
struct CopyResult {
  std::size_t bytes;
  FileStatus why;
};

struct BackupSteps {
  // What stands under `name` (the backup's, or the temporary one) already,
  // looked at without opening it for reading or writing, and judged against
  // the open game file by its kind, identity and size.
  Looked (*existing)(const char* name, NativeHandle game);
  // ok() once nothing has the name, whether or not something had it.
  FileStatus (*remove)(const char* name);
  // A new file, opened to write, never one that is there already; `game`
  // lends it its mode.
  Opened (*create)(const char* name, NativeHandle game);
  // The system's copy of up to `count` bytes at `offset` to the same place,
  // the data never passing through this process (copy_file_range), where it
  // has one: 0 bytes where it copies none here, and the rest is read and
  // written with copy_piece.
  CopyResult (*system_copy)(NativeHandle from, NativeHandle to, std::uint64_t offset, std::size_t count);
  FileStatus (*copy_piece)(NativeHandle from, NativeHandle to, std::uint64_t offset, char* piece,
                           std::size_t count);
  FileStatus (*sync)(NativeHandle file);
  // Tried in turn while each answers unsupported: first the ways through the
  // open copy, then, once it is closed, the ways by its name.
  std::vector<NameOpenCopy> while_open;
  std::vector<NameClosedCopy> after_close;
  void (*wait_a_moment)();  // before a held name is tried again
  void (*sync_folder)();    // so that the new name is on disk too
};

// This platform's steps.
const BackupSteps& system_backup_steps();

Backup make_backup(const GameFile& game, const BackupSteps& steps);
