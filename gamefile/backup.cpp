#include "gamefile/backup.h"

BackupState existing_backup_state(const std::optional<FileFacts>& found, const FileFacts& game) {
  if (!found || !found->regular) {
    return BackupState::kept_not_a_file;
  }
  if (found->volume == game.volume && found->index == game.index) {
    return BackupState::kept_same_file;
  }
  return found->size == game.size ? BackupState::kept : BackupState::kept_wrong_size;
}
