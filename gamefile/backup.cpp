#include "gamefile/backup.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "gamefile/backup_steps.h"

BackupState existing_backup_state(const std::optional<FileFacts>& found, const FileFacts& game) {
  if (!found || !found->regular) {
    return BackupState::kept_not_a_file;
  }
  if (found->volume == game.volume && found->index == game.index) {
    return BackupState::kept_same_file;
  }
  return found->size == game.size ? BackupState::kept : BackupState::kept_wrong_size;
}

namespace {

// Pieces as large as the system's copy moves at once with ease, and small
// enough that a window closed mid-copy waits for one piece only.
constexpr std::size_t piece_size = 1 << 20;

Backup failed(FileStatus why) { return {BackupState::failed, std::move(why)}; }

// Whether the copy under `copy_name`, opened afresh as a player's restore
// would open it, holds the game file's `size` bytes: a disk that reports a
// write done and then loses it (fusefat) must not leave a backup taken for
// whole. ok(), or why not.
FileStatus copy_reads_back(const GameFile& game, const char* copy_name, std::uint64_t size) {
  const NativeHandle copy = open_to_read(copy_name);
  if (copy == no_handle) {
    return {FileProblem::other, "the copy could not be opened again"};
  }
  std::vector<char> original(1 << 16);
  std::vector<char> copied(original.size());
  FileStatus status;
  for (std::uint64_t offset = 0; offset < size && status.ok(); offset += original.size()) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(original.size(), size - offset));
    status = read_at(game.handle(), offset, original.data(), count);
    if (status.ok()) {
      status = read_at(copy, offset, copied.data(), count);
    }
    if (status.ok() && !std::equal(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(count),
                                   copied.begin())) {
      status = {FileProblem::other, "the disk did not keep what was copied"};
    }
  }
  char beyond = 0;
  if (status.ok() && read_at(copy, size, &beyond, 1).problem != FileProblem::too_short) {
    status = {FileProblem::other, "the copy is longer than Halvane.exe"};
  }
  (void)close_handle(copy);
  return status;
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
      const Copied copied = steps.system_copy(from, to, offset, count);
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
NameResult name_by(const NameWay& way, NativeHandle copy, const BackupSteps& steps) {
  NameResult result = way.name(copy);
  for (int attempt = 0; result.outcome == Naming::held && attempt < 20; ++attempt) {
    steps.wait_a_moment();
    result = way.name(copy);
  }
  return result;
}

// What the naming came to, as a backup.
Backup named(const NameResult& result, const GameFile& game, const BackupSteps& steps) {
  switch (result.outcome) {
    case Naming::named:
      return {BackupState::made, {}};
    case Naming::taken: {
      // Another program made one meanwhile: judged as any existing backup.
      const std::optional<Backup> existing = steps.existing(game.handle());
      return existing ? *existing
                      : failed({FileProblem::other, "the backup's name was taken and then freed"});
    }
    case Naming::unsupported:
      return failed({FileProblem::other, "this disk cannot name a file without replacing another"});
    case Naming::held:
    case Naming::failed:
      break;
  }
  return failed(result.why);
}

}  // namespace

Backup make_backup(const GameFile& game) { return make_backup(game, system_backup_steps()); }

Backup make_backup(const GameFile& game, const BackupSteps& steps) {
  const std::optional<std::uint64_t> size = size_of(game.handle());
  if (!size) {
    return failed({FileProblem::other, "the size of Halvane.exe could not be read"});
  }
  // Ours, from a run killed while copying, or between naming the copy and
  // removing this second name of it: removed whether or not a backup exists.
  // Removing a name never touches a backup that is the same file.
  const FileStatus leftover = steps.remove(backup_temp_name);
  if (std::optional<Backup> existing = steps.existing(game.handle())) {
    return *existing;
  }
  if (!leftover.ok()) {
    return failed({FileProblem::leftover_stuck, leftover.system_text});
  }

  const Created copy = steps.create(backup_temp_name, game.handle());
  if (copy.handle == no_handle) {
    return failed(copy.why);
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
  const auto* way = steps.naming.begin();
  const auto* const ways_end =
      std::find_if(way, steps.naming.end(), [](const NameWay& each) { return each.name == nullptr; });
  NameResult naming{Naming::unsupported, {}};
  for (; status.ok() && naming.outcome == Naming::unsupported && way != ways_end && way->while_open; ++way) {
    naming = name_by(*way, copy.handle, steps);
  }
  if (naming.outcome == Naming::named) {
    (void)steps.sync(copy.handle);  // the new name too; the bytes are on disk already
  }
  if (FileStatus closed = close_handle(copy.handle);
      !closed.ok() && status.ok() && naming.outcome != Naming::named) {
    status = closed;
  }
  for (; status.ok() && naming.outcome == Naming::unsupported && way != ways_end; ++way) {
    naming = name_by(*way, no_handle, steps);
  }
  Backup result = status.ok() ? named(naming, game, steps) : failed(status);
  // A way that links leaves the copy under both names; any other leaves it
  // under one, or none where it was not named.
  (void)steps.remove(backup_temp_name);
  if (result.state == BackupState::made) {
    steps.sync_folder();
  }
  return result;
}
