#pragma once
// The open game executable: one handle, held for the run alone, and a sticky
// error state: once an access fails, every later read and write is skipped,
// so a file that is not what we expect (too short to hold a site) is never
// modified.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gamefile/file_io.h"
#include "gamefile/patch_sites.h"

// Held around each piece of file work that must not be cut in two: a piece
// of the backup copy, a write, the final close.
std::mutex& file_work();

// For a process about to be ended from outside (on Windows, its console
// window closed): waits until the piece of file work under way has finished,
// then takes file_work() and never gives it back, so that no other starts.
void stop_file_work_for_good();

// Which access to the game file failed.
enum class Access { read, write, flush, close };

// The first access that failed, and why.
struct FileFailure {
  Access access;
  FileStatus why;     // too_short where a read found the file ending first
  bool file_changed;  // a byte may have reached the file before the failure, or in it
};

class GameFile {
 public:
  GameFile() = default;
  ~GameFile();
  GameFile(const GameFile&) = delete;
  GameFile& operator=(const GameFile&) = delete;

  // Opens game_file_name, under the one name that matches it
  // case-insensitively, for reading and writing (see names_ignoring_case,
  // open_game_handle).
  // several_names, naming them in system_text, where it has more than one.
  FileStatus open();

  // nullopt when the two bytes cannot be read.
  std::optional<std::uint16_t> read_value(const PatchSite& site);
  void write_value(const PatchSite& site, std::uint16_t value);
  // The name and one zero byte, never padded to the length of the old name.
  void write_font_name(std::string_view name);

  // Up to `count` bytes at `offset`, fewer where the file ends first, or
  // why they could not be read. A look that leaves the error state alone,
  // so it never stops a later write.
  struct Peeked {
    std::string bytes;
    FileStatus why;  // ok() where the bytes were read
  };
  Peeked peek(std::uint64_t offset, std::size_t count);

  // Puts every write on the disk and closes the file. True only when every
  // access succeeded, the data reached the disk, the file closed cleanly and
  // a fresh look at the file finds every byte written.
  bool close();

  // The first access that failed, if any has: after it, every read and
  // write was skipped.
  const std::optional<FileFailure>& first_failure() const { return failure; }

  // For the backup, which copies through this same handle.
  NativeHandle handle() const { return native; }

 private:
  void write_inside(std::uint64_t offset, const char* bytes, std::size_t count);
  // Keeps `status` as the failure where it is the first.
  void note(Access access, FileStatus status);

  std::string name;  // as the folder spells it
  NativeHandle native = no_handle;
  std::optional<FileFailure> failure;
  std::vector<std::pair<std::uint64_t, std::string>> written;  // offset and bytes
};
