// The source is read through the game file's own handle: CopyFileW cannot
// copy a file that this process holds open for writing, since Windows opens
// the source of a copy with a share mode that admits no writer.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gamefile/backup_steps.h"
#include "gamefile/wide_name_windows.h"

namespace {

HANDLE handle_of(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// Which file it is: by the 128-bit identifier where the system gives one,
// since ReFS (Windows 11's Dev Drives) does not keep the 64-bit index
// unique (Microsoft: BY_HANDLE_FILE_INFORMATION); else by that index.
std::optional<FileFacts> facts_of(HANDLE file, bool disk_file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info)) {
    return std::nullopt;
  }
  const FileFacts facts{disk_file && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0,
                        info.dwVolumeSerialNumber,
                        static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow, 0,
                        static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow};
  FILE_ID_INFO id{};
  if (!GetFileInformationByHandleEx(file, FileIdInfo, &id, sizeof id)) {
    return facts;
  }
  return with_file_id(facts, id.VolumeSerialNumber, id.FileId.Identifier);
}

}  // namespace

// Windows compares names case-insensitively itself. Access 0 asks for the
// file's attributes only: it is never opened for reading or writing. A
// name that GetFileAttributesW finds but CreateFileW cannot open (a
// symbolic link to nothing: the first looks at the link, the second
// follows it) is no backup a player could restore from.
std::optional<Backup> look_under(const char* name, NativeHandle game) {
  const std::wstring backup = wide(name);
  if (GetFileAttributesW(backup.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND
               ? std::nullopt
               : std::optional<Backup>({BackupState::failed, status_of_error(error)});
  }
  const std::optional<FileFacts> source = facts_of(handle_of(game), true);
  if (!source) {
    return Backup{BackupState::failed, status_of_error(GetLastError())};
  }
  const HANDLE file = CreateFileW(backup.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  std::optional<FileFacts> found;
  if (file != INVALID_HANDLE_VALUE) {
    found = facts_of(file, GetFileType(file) == FILE_TYPE_DISK);
    CloseHandle(file);
  }
  return Backup{existing_backup_state(found, *source), {}};
}

// A file that another program still holds open is only marked for deletion
// (where the disk has no POSIX-style delete), and its name stays taken
// until that program lets go: that counts as not removed.
FileStatus remove_name(const char* name) {
  const std::wstring file = wide(name);
  if (!DeleteFileW(file.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
    return status_of_error(GetLastError());
  }
  if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return status_of_error(ERROR_SHARING_VIOLATION);
  }
  return GetLastError() == ERROR_FILE_NOT_FOUND ? FileStatus{} : status_of_error(GetLastError());
}

// Read and write access as well as DELETE: Microsoft advises read/write for
// files on network shares, and DELETE lets this handle name the copy
// itself. Share read: a scanner may look at the copy while it is written,
// and the copy is read back by name before it is named.
Opened create_copy(const char* name, NativeHandle) {
  const HANDLE file = CreateFileW(wide(name).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return {no_handle, status_of_error(GetLastError(), Doing::create)};
  }
  return {reinterpret_cast<NativeHandle>(file), {}};
}

// Renamed through the handle that wrote it, before that handle is closed, so
// that no other program's handle on the new file (a virus scanner's) can
// stand in the way: every other handle had to share delete with ours. A rename
// that never replaces is this one call however it is asked for (MoveFileExW
// opens the file and makes the same one), so there is nothing to fall back on.
// A copy left by an earlier run is opened for that alone.
NameResult name_copy(NativeHandle copy) {
  HANDLE file = handle_of(copy);
  if (copy == no_handle) {
    file = CreateFileW(wide(backup_temp_name).c_str(), DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      return {Naming::failed, status_of_error(GetLastError())};
    }
  }
  const std::wstring backup = wide(backup_file_name);
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + backup.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(backup.size() * sizeof(wchar_t));
  std::copy(backup.begin(), backup.end(), rename->FileName);
  rename->FileName[backup.size()] = L'\0';
  const bool renamed =
      SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != 0;
  const DWORD error = GetLastError();
  if (copy == no_handle) {
    CloseHandle(file);
  }
  if (renamed) {
    return {Naming::named, {}};
  }
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
    return {Naming::taken, {}};
  }
  return {Naming::failed, status_of_error(error)};
}

// Windows cannot flush a folder. On NTFS a rename is a change of its log,
// which NTFS writes to disk within seconds. A power cut before then leaves
// the copy, flushed and whole, under the temporary name, and the next run
// names it.
void sync_folder() {}
