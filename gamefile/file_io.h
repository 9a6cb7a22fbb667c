#pragma once
// The game file's handle: a POSIX file descriptor or a Windows HANDLE, held in
// an integer so that this header is the same on both. Every read and write
// names its offset, so no shared file position is ever relied on.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using NativeHandle = std::intptr_t;
inline constexpr NativeHandle no_handle = -1;  // INVALID_HANDLE_VALUE on Windows

// What stands in the way of a file operation, in terms a player can act on.
enum class FileProblem {
  none,
  missing,
  read_only,       // the file itself is marked read-only
  access_denied,   // the account may not write there
  read_only_disk,  // a read-only disk or file system
  read_only_ntfs,  // an NTFS disk mounted read-only, as Linux does one that Windows left hibernated
  in_use,          // the game is running, or another run holds the file
  not_a_file,      // a folder, FIFO or device
  disk_full,
  too_short,       // the file ends before the bytes read or written, or a copy holds fewer
  leftover_stuck,  // our temporary from an earlier run is there and cannot be removed
  several_names,   // no exact name, and more than one that matches case-insensitively
  blocked,         // Windows: Controlled folder access, by its signs (status_of_error, open_game_handle)
  not_on_this_pc,  // Windows: a cloud file (OneDrive, Dropbox, iCloud) whose contents are not on this PC
  other,
};

struct FileStatus {
  FileStatus(FileProblem found = FileProblem::none, std::string text = {})
      : problem(found), system_text(std::move(text)) {}

  bool ok() const { return problem == FileProblem::none; }

  FileProblem problem;
  std::string system_text;  // the system's own words for the error, as UTF-8
  // Linux and macOS, for a refused open: whose file it is, so that the
  // player is told who may change it. Empty on Windows.
  std::string owner;
  bool owned_by_me = false;
  // For a failed write: some of its bytes reached the file before it failed.
  bool partly_written = false;
};

// The names under which the current folder holds `name`, as Windows finds
// it: `name` alone where it stands, else every name that matches `name`
// case-insensitively (HALVANE.EXE, halvane.exe), sorted; none for none.
// Windows finds any spelling under `name` itself.
std::vector<std::string> names_ignoring_case(const char* name);

// The one byte that a run locks, as a byte range, while it holds the game
// file: the Windows build under Wine and the Linux build see each other's
// lock there, whatever the prefix (Wine keeps its sharing rules within one
// wineserver, but passes byte-range locks on as fcntl locks, which every
// process sees). It lies past any file's end, so that no byte of the file
// is kept from a reader.
inline constexpr std::uint64_t run_lock_offset = std::uint64_t{1} << 62;

// Opens `name` for reading and writing and holds it for this run alone. It
// must exist and is never created or truncated; anything but a regular file
// is refused before a byte of it is read.
FileStatus open_game_handle(const char* name, NativeHandle& handle);

// Why an open of `name` for reading and writing failed with the system
// error `code`, told apart by what else can be seen of the file: a folder, a
// read-only file, a read-only NTFS disk, a write-open blocked by Windows'
// Controlled folder access; on POSIX, whose file it is.
FileStatus status_of_refused_open(const char* name, unsigned long code);

// A file opened (for reading, or a new one to write), or why it was not.
struct Opened {
  NativeHandle handle;  // no_handle where it failed
  FileStatus why;
};

// Opens `name` afresh for reading alone, as another program would.
Opened open_to_read(const char* name);

// Each call below says why it failed; ok() where it succeeded.

// Exactly `count` bytes at `offset`: too_short where the file ends first.
FileStatus read_at(NativeHandle handle, std::uint64_t offset, char* bytes, std::size_t count);
FileStatus write_at(NativeHandle handle, std::uint64_t offset, const char* bytes, std::size_t count);
std::optional<std::uint64_t> size_of(NativeHandle handle);

// Copies `count` bytes at `offset` from one file to the same place in
// another, through `piece`: one piece of a backup copy.
inline FileStatus copy_at(NativeHandle from, NativeHandle to, std::uint64_t offset, char* piece,
                          std::size_t count) {
  FileStatus status = read_at(from, offset, piece, count);
  return status.ok() ? write_at(to, offset, piece, count) : status;
}

// Puts what was written on the disk itself, not only in the system's cache.
FileStatus sync_to_disk(NativeHandle handle);
FileStatus close_handle(NativeHandle handle);

// What failed, where that changes what an error means.
enum class Doing {
  other,
  create,  // a new file in the current folder
  write,   // through a handle that opened for writing
};

// The problem behind a system error code: errno on POSIX, GetLastError() on
// Windows, where Controlled folder access is reported to fail a create as
// "not found" and a write as "access denied" (blocked).
FileStatus status_of_error(unsigned long code, Doing doing = Doing::other);
