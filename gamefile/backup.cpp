#include "gamefile/backup.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "gamefile/backup_steps.h"

BackupState existing_backup_state(const std::optional<FileFacts>& found, const FileFacts& game) {
  if (!found || !found->regular) {
    return BackupState::kept_not_a_file;
  }
  if (found->volume == game.volume && found->index == game.index && found->index_high == game.index_high) {
    return BackupState::kept_same_file;
  }
  return found->size == game.size ? BackupState::kept : BackupState::kept_wrong_size;
}

FileFacts with_file_id(FileFacts facts, std::uint64_t id_volume, const unsigned char (&id)[16]) {
  if (std::all_of(std::begin(id), std::end(id), [](unsigned char byte) { return byte == 0; })) {
    return facts;
  }
  facts.volume = id_volume;
  std::memcpy(&facts.index, id, sizeof facts.index);
  std::memcpy(&facts.index_high, id + sizeof facts.index, sizeof facts.index_high);
  return facts;
}

namespace {

// Two pieces of this size stay in the processor's cache while they are
// compared: a run beside a 64 MB backup takes a quarter of the time it does
// with a megabyte (bench/run). A window closed mid-copy waits for one piece.
constexpr std::size_t piece_size = 1 << 16;

Backup no_backup(FileStatus why) { return {BackupState::failed, std::move(why)}; }

// Which bytes a comparison counts.
enum class Counted { all, beyond_a_runs_changes };

struct Comparison {
  FileStatus why;               // ok() where both were read; too_short where the file ends first
  std::uint64_t differing = 0;  // bytes counted that differ
};

// The file under `name`, opened afresh as a player's restore would open it,
// against the game file's first `size` bytes; its length was looked at
// before. Both are read as the system
// returns them, through its cache: that catches a disk that reports a write
// done and then loses it (fusefat), not a card that loses data under the
// cache after the run.
Comparison compare_with_game(const GameFile& game, const std::string& name, std::uint64_t size,
                             Counted counted) {
  const Opened file = open_to_read(name.c_str());
  if (file.handle == no_handle) {
    return {file.why};
  }
  std::vector<char> original(piece_size);
  std::vector<char> other(piece_size);
  Comparison result;
  for (std::uint64_t offset = 0; offset < size && result.why.ok(); offset += piece_size) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(piece_size, size - offset));
    result.why = read_at(game.handle(), offset, original.data(), count);
    if (result.why.ok()) {
      result.why = read_at(file.handle, offset, other.data(), count);
    }
    const auto end = original.begin() + static_cast<std::ptrdiff_t>(count);
    if (!result.why.ok() || std::memcmp(original.data(), other.data(), count) == 0) {
      continue;  // the common case, at memcmp's speed
    }
    for (auto [at, also] = std::mismatch(original.begin(), end, other.begin()); at != end;
         std::tie(at, also) = std::mismatch(at + 1, end, also + 1)) {
      const auto position = offset + static_cast<std::uint64_t>(at - original.begin());
      result.differing += counted == Counted::all || !changed_by_a_run(position) ? 1 : 0;
    }
  }
  (void)close_handle(file.handle);
  return result;
}

// What stands under `name` already: looked at, and where it passes the look
// (a file of its own, as long as the game), read. A copy made by any earlier
// run differs from the game at the sizes and the font alone, however often
// the game was patched since; anything else is no copy of this game (one of
// another build, a copy the disk did not keep whole, another file given the
// name), which a player must not be sent to restore from. A name in other
// case (HALVANE.BAK) counts, as Windows would find it.
std::optional<Backup> existing_at(const char* name, const GameFile& game, std::uint64_t size) {
  const std::vector<std::string> names = names_ignoring_case(name);
  if (names.empty()) {
    return std::nullopt;
  }
  std::optional<Backup> looked = look_under(names.front().c_str(), game.handle());
  if (!looked || looked->state != BackupState::kept) {
    return looked;
  }
  const Comparison read = compare_with_game(game, names.front(), size, Counted::beyond_a_runs_changes);
  if (read.why.problem == FileProblem::too_short) {
    return Backup{BackupState::kept_wrong_size, {}};
  }
  if (!read.why.ok() || read.differing > 0) {
    return Backup{BackupState::kept_not_a_copy, read.why, read.differing};
  }
  return Backup{BackupState::kept, {}};
}

// Read and written a piece at a time, each held whole against a closing window.
FileStatus copy_contents(NativeHandle from, NativeHandle to, std::uint64_t size) {
  std::vector<char> piece(piece_size);
  FileStatus status;
  for (std::uint64_t offset = 0; offset < size && status.ok(); offset += piece_size) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(piece_size, size - offset));
    const std::lock_guard<std::mutex> whole(file_work());
    status = copy_at(from, to, offset, piece.data(), count);
  }
  return status;
}

// Whether the copy under the temporary name, opened afresh, holds the game
// file's `size` bytes, no fewer and no others: a disk that loses what it was
// given must not leave a backup taken for whole. ok(), or why not.
FileStatus copy_reads_back(const GameFile& game, std::uint64_t size) {
  const Comparison read = compare_with_game(game, backup_temp_name, size, Counted::all);
  if (!read.why.ok()) {
    return read.why;
  }
  return read.differing == 0 ? FileStatus{}
                             : FileStatus{FileProblem::other, "the disk did not keep what was copied"};
}

// What the naming came to, as a backup.
Backup backup_after_naming(const NameResult& naming, const GameFile& game, std::uint64_t size) {
  switch (naming.outcome) {
    case Naming::named:
      return {BackupState::made, {}};
    case Naming::taken: {
      // Another program made one meanwhile: judged as any existing backup.
      const std::optional<Backup> existing = existing_at(backup_file_name, game, size);
      return existing ? *existing
                      : no_backup({FileProblem::other, "the backup's name was taken and then freed"});
    }
    case Naming::failed:
      break;
  }
  return no_backup(naming.why);
}

// Whether our temporary name holds a whole copy of the game.
bool whole_leftover(const GameFile& game, std::uint64_t size) {
  const std::optional<Backup> leftover = existing_at(backup_temp_name, game, size);
  return leftover && leftover->state == BackupState::kept;
}

// A whole copy of the game left by a run cut off after the copy was made and
// before its name was on the disk (a power cut, a disk that refused the
// folder's flush). That run may have patched the game, so the leftover may
// be the one copy of the sizes as they were: it becomes the backup, named as
// a new one is, or stays for the next run where it cannot be named.
Backup leftover_as_backup(const GameFile& game, std::uint64_t size) {
  // A run killed before its flush may have left it whole in the cache alone.
  // (Windows flushes only through a handle that may write; there it reaches
  // the disk as the cache is written.)
  if (const Opened copy = open_to_read(backup_temp_name); copy.handle != no_handle) {
    (void)sync_to_disk(copy.handle);
    (void)close_handle(copy.handle);
  }
  Backup result = backup_after_naming(name_copy(no_handle), game, size);
  if (whole_backup(result)) {
    (void)remove_name(backup_temp_name);  // the second name a link leaves
  }
  if (result.state == BackupState::made) {
    sync_folder();
  }
  return result;
}

}  // namespace

Backup make_backup(const GameFile& game) {
  const std::optional<std::uint64_t> size = size_of(game.handle());
  if (!size) {
    return no_backup({FileProblem::other, "the size of Halvane.exe could not be read"});
  }
  if (std::optional<Backup> existing = existing_at(backup_file_name, game, *size)) {
    // Beside a whole backup our leftover is not needed, whole or not (a run
    // killed between linking its copy and removing this name leaves the
    // backup itself under it; removing a name never touches it). Beside one
    // that is no copy of the game, a whole leftover may be the only copy of
    // the sizes as they were: it stays, to be named once that one is renamed.
    if (whole_backup(*existing) || !whole_leftover(game, *size)) {
      (void)remove_name(backup_temp_name);
    }
    return *existing;
  }
  if (whole_leftover(game, *size)) {
    return leftover_as_backup(game, *size);
  }
  // Any other leftover is ours, from a run killed while copying.
  if (const FileStatus leftover = remove_name(backup_temp_name); !leftover.ok()) {
    return no_backup({FileProblem::leftover_stuck, leftover.system_text});
  }

  const Opened copy = create_copy(backup_temp_name, game.handle());
  if (copy.handle == no_handle) {
    return no_backup(copy.why);
  }
  FileStatus status = copy_contents(game.handle(), copy.handle, *size);
  if (status.ok()) {
    status = sync_to_disk(copy.handle);
  }
  if (status.ok()) {
    status = copy_reads_back(game, *size);
  }
  // Only a copy that reads back whole is named.
  const NameResult naming = status.ok() ? name_copy(copy.handle) : NameResult{Naming::failed, status};
  if (naming.outcome == Naming::named) {
    (void)sync_to_disk(copy.handle);  // the new name too, where the system flushes it with the file
  }
  (void)close_handle(copy.handle);  // the bytes are on disk and read back already
  Backup result = backup_after_naming(naming, game, *size);
  // A link leaves the copy under both names; a rename under one, or none
  // where it was not named.
  (void)remove_name(backup_temp_name);
  if (result.state == BackupState::made) {
    sync_folder();
  }
  return result;
}
