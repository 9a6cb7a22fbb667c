#pragma once
// The backup copy of the game executable, made before anything is changed.

// Copies game_file_name to backup_file_name unless that name exists already,
// in which case the old backup is left untouched. True only when a whole copy
// was made and is on disk; a copy that fails part-way is removed again.
bool make_backup();
