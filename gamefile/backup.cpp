#include "gamefile/backup.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <mutex>
#include <vector>

#include "gamefile/backup_steps.h"
#include "gamefile/compare.h"

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

// Pieces as large as the system's copy moves at once with ease, and small
// enough that a window closed mid-copy waits for one piece only.
constexpr std::size_t piece_size = 1 << 20;

Backup no_backup(FileStatus why) { return {BackupState::failed, std::move(why)}; }

// Whether the copy under `copy_name`, opened afresh as a player's restore
// would open it, holds the game file's `size` bytes: a disk that loses what
// it was given must not leave a backup taken for whole. ok(), or why not.
FileStatus copy_reads_back(const GameFile& game, const char* copy_name, std::uint64_t size) {
  const Comparison read = compare_with_game(game, copy_name, size, Counted::all);
  if (!read.why.ok()) {
    return read.why;
  }
  return read.differing == 0 ? FileStatus{}
                             : FileStatus{FileProblem::other, "the disk did not keep what was copied"};
}

// What stands under `name` already: looked at, and where it passes the look
// (a file of its own, as long as the game), read. A copy made by any earlier
// run differs from the game at the sizes and the font alone, however often
// the game was patched since; anything else is no copy of this game (one of
// another build, a copy the disk did not keep whole, another file given the
// name), which a player must not be sent to restore from.
std::optional<Backup> existing_at(const char* name, const GameFile& game, std::uint64_t size,
                                  const BackupSteps& steps) {
  const Looked looked = steps.existing(name, game.handle());
  if (looked.outcome == Look::nothing) {
    return std::nullopt;
  }
  if (looked.outcome == Look::unanswered) {
    return no_backup(looked.why);
  }
  if (looked.state != BackupState::kept) {
    return Backup{looked.state, {}};
  }
  const std::vector<std::string> names = names_ignoring_case(name);
  const Comparison read =
      compare_with_game(game, names.empty() ? name : names.front(), size, Counted::beyond_a_runs_changes);
  if (read.why.problem == FileProblem::too_short) {
    return Backup{BackupState::kept_wrong_size, {}};
  }
  if (!read.why.ok() || read.differing > 0) {
    return Backup{BackupState::kept_not_a_copy, read.why, read.differing};
  }
  return Backup{BackupState::kept, {}};
}

// The system's copy while it moves bytes; where it has none, or moves none
// before the end (as some file systems report), the rest is read and
// written, as cp does. Each piece is held whole against a closing window.
FileStatus copy_contents(NativeHandle from, NativeHandle to, std::uint64_t size, const BackupSteps& steps) {
  std::vector<char> piece(piece_size);
  bool system_copies = true;
  for (std::uint64_t offset = 0; offset < size;) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), size - offset));
    const std::lock_guard<std::mutex> whole(file_work());
    if (system_copies) {
      const CopyResult copied = steps.system_copy(from, to, offset, count);
      if (!copied.why.ok()) {
        return copied.why;
      }
      offset += copied.bytes;
      system_copies = copied.bytes > 0;
      continue;
    }
    if (FileStatus status = steps.copy_piece(from, to, offset, piece.data(), count); !status.ok()) {
      return status;
    }
    offset += count;
  }
  return {};
}

// One way of naming the copy. A virus scanner may hold the new file for a
// moment after it is written, and a rename fails while it does; such a
// hold is waited out for up to about two seconds.
NameResult name_by(const std::function<NameResult()>& way, const BackupSteps& steps) {
  NameResult result = way();
  for (int attempt = 0; result.outcome == Naming::held && attempt < 20; ++attempt) {
    steps.wait_a_moment();
    result = way();
  }
  return result;
}

// What the naming came to, as a backup.
Backup backup_after_naming(const NameResult& result, const GameFile& game, std::uint64_t size,
                           const BackupSteps& steps) {
  switch (result.outcome) {
    case Naming::named:
      return {BackupState::made, {}};
    case Naming::taken: {
      // Another program made one meanwhile: judged as any existing backup.
      const std::optional<Backup> existing = existing_at(backup_file_name, game, size, steps);
      return existing ? *existing
                      : no_backup({FileProblem::other, "the backup's name was taken and then freed"});
    }
    case Naming::unsupported:
      return no_backup({FileProblem::other, "this disk cannot name a file without replacing another"});
    case Naming::held:
    case Naming::failed:
      break;
  }
  return no_backup(result.why);
}

// Names the closed copy by its name, each way in turn while the naming so
// far is unsupported, and says what that came to.
Backup name_closed_copy(NameResult naming, const GameFile& game, std::uint64_t size,
                        const BackupSteps& steps) {
  for (std::size_t way = 0; way < steps.after_close.size() && naming.outcome == Naming::unsupported; ++way) {
    naming = name_by(steps.after_close[way], steps);
  }
  return backup_after_naming(naming, game, size, steps);
}

// Whether our temporary name holds a whole copy of the game.
bool whole_leftover(const GameFile& game, std::uint64_t size, const BackupSteps& steps) {
  const std::optional<Backup> leftover = existing_at(backup_temp_name, game, size, steps);
  return leftover && leftover->state == BackupState::kept;
}

// A whole copy of the game left by a run cut off after the copy was made and
// before its name was on the disk (a power cut, a disk that refused the
// folder's flush). That run may have patched the game, so the leftover may
// be the one copy of the sizes as they were: it becomes the backup, named as
// a new one is. nullopt where there is no such leftover.
std::optional<Backup> leftover_as_backup(const GameFile& game, std::uint64_t size, const BackupSteps& steps) {
  if (!whole_leftover(game, size, steps)) {
    return std::nullopt;
  }
  // A run killed before its flush may have left it whole in the cache alone.
  // (Windows flushes only through a handle that may write; there it reaches
  // the disk as the cache is written.)
  if (const Opened copy = open_to_read(backup_temp_name); copy.handle != no_handle) {
    (void)steps.sync(copy.handle);
    (void)close_handle(copy.handle);
  }
  const Backup result = name_closed_copy({Naming::unsupported, {}}, game, size, steps);
  if (!whole_backup(result)) {
    return result;  // and the leftover stays as it is, for the next run
  }
  (void)steps.remove(backup_temp_name);  // the second name a link leaves
  if (result.state == BackupState::made) {
    steps.sync_folder();
  }
  return result;
}

}  // namespace

Backup make_backup(const GameFile& game) { return make_backup(game, system_backup_steps()); }

Backup make_backup(const GameFile& game, const BackupSteps& steps) {
  const std::optional<std::uint64_t> size = size_of(game.handle());
  if (!size) {
    return no_backup({FileProblem::other, "the size of Halvane.exe could not be read"});
  }
  if (std::optional<Backup> existing = existing_at(backup_file_name, game, *size, steps)) {
    // Beside a whole backup our leftover is not needed, whole or not (a run
    // killed between linking its copy and removing this name leaves the
    // backup itself under it; removing a name never touches it). Beside one
    // that is no copy of the game, a whole leftover may be the only copy of
    // the sizes as they were: it stays, to be named once that one is renamed.
    if (whole_backup(*existing) || !whole_leftover(game, *size, steps)) {
      (void)steps.remove(backup_temp_name);
    }
    return *existing;
  }
  if (std::optional<Backup> leftover = leftover_as_backup(game, *size, steps)) {
    return *leftover;
  }
  // Any other leftover is ours, from a run killed while copying.
  if (const FileStatus leftover = steps.remove(backup_temp_name); !leftover.ok()) {
    return no_backup({FileProblem::leftover_stuck, leftover.system_text});
  }

  const Opened copy = steps.create(backup_temp_name, game.handle());
  if (copy.handle == no_handle) {
    return no_backup(copy.why);
  }
  FileStatus status = copy_contents(game.handle(), copy.handle, *size, steps);
  if (status.ok()) {
    status = steps.sync(copy.handle);
  }
  if (status.ok() && size_of(copy.handle) != size) {
    status = {FileProblem::too_short, ""};
  }
  if (status.ok()) {
    status = copy_reads_back(game, backup_temp_name, *size);
  }
  // Only a copy that reads back whole is named: first by the ways that need
  // its handle, then, once it is closed, by the others.
  NameResult naming{Naming::unsupported, {}};
  for (std::size_t way = 0;
       status.ok() && way < steps.while_open.size() && naming.outcome == Naming::unsupported; ++way) {
    naming = name_by([&] { return steps.while_open[way](copy.handle); }, steps);
  }
  if (naming.outcome == Naming::named) {
    (void)steps.sync(copy.handle);  // the new name too; the bytes are on disk already
  }
  if (FileStatus closed = close_handle(copy.handle);
      !closed.ok() && status.ok() && naming.outcome != Naming::named) {
    status = closed;
  }
  Backup result = status.ok() ? name_closed_copy(naming, game, *size, steps) : no_backup(status);
  // A way that links leaves the copy under both names; any other leaves it
  // under one, or none where it was not named.
  (void)steps.remove(backup_temp_name);
  if (result.state == BackupState::made) {
    steps.sync_folder();
  }
  return result;
}
