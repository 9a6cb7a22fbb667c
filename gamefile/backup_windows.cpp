// The backup is one CopyFileW call with its fail-if-exists flag set, so an
// existing backup is never replaced.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <string>

#include "gamefile/backup.h"
#include "gamefile/patch_sites.h"

namespace {

// The names are plain ASCII, so each character widens as it stands.
std::wstring wide(const char* name) {
  return std::wstring(name, name + std::char_traits<char>::length(name));
}

// On disk before the executable is first changed: a crash after patching
// must not leave a patched executable beside an empty backup.
bool flush_to_disk(const wchar_t* name) {
  const HANDLE file = CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  const bool flushed = FlushFileBuffers(file) != 0;
  CloseHandle(file);
  return flushed;
}

}  // namespace

bool make_backup() {
  const std::wstring game = wide(game_file_name);
  const std::wstring backup = wide(backup_file_name);
  if (CopyFileW(game.c_str(), backup.c_str(), TRUE) == 0) {
    const DWORD error = GetLastError();
    // Any other failure came after the backup did not exist: what stands
    // under its name now is a partial copy of ours.
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      DeleteFileW(backup.c_str());
    }
    return false;
  }
  if (!flush_to_disk(backup.c_str())) {
    DeleteFileW(backup.c_str());
    return false;
  }
  return true;
}
