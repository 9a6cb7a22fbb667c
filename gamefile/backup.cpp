#include "gamefile/backup.h"

#include <algorithm>
#include <vector>

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

BackupState existing_backup_state(const std::optional<FileFacts>& found, const FileFacts& game) {
  if (!found || !found->regular) {
    return BackupState::kept_not_a_file;
  }
  if (found->volume == game.volume && found->index == game.index) {
    return BackupState::kept_same_file;
  }
  return found->size == game.size ? BackupState::kept : BackupState::kept_wrong_size;
}
