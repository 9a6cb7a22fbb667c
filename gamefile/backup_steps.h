#pragma once
// The backup's steps that differ between systems, each platform's own
// (backup_linux.cpp, backup_windows.cpp), in the order make_backup takes them.

#include <optional>

#include "gamefile/backup.h"

// What stands under `name` already, looked at without opening it for reading
// or writing and judged against the open game file by its kind, identity and
// size: nullopt where nothing has the name, failed (with why) where the name
// could not be looked at.
std::optional<Backup> look_under(const char* name, NativeHandle game);

// ok() once nothing has the name, whether or not something had it.
FileStatus remove_name(const char* name);

// A new file, opened to write, never one that is there already; `game` lends
// it its mode.
Opened create_copy(const char* name, NativeHandle game);

// What became of giving the finished copy under backup_temp_name the
// backup's name without replacing anything.
enum class Naming {
  named,  // the copy is the backup now
  taken,  // something has the name already, and nothing was replaced
  failed,
};
struct NameResult {
  Naming outcome;
  FileStatus why;  // for failed
};
// `copy` is the copy's open handle, or no_handle for one left by an earlier run.
NameResult name_copy(NativeHandle copy);

// So that the new name is on disk too, where the system can flush a folder.
void sync_folder();
