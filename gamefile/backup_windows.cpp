// The source is read through the game file's own handle: CopyFileW cannot
// copy a file that this process holds open for writing, since Windows opens
// the source of a copy with a share mode that admits no writer.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gamefile/backup.h"
#include "gamefile/wide_name_windows.h"

namespace {

Backup failed(DWORD error) { return {BackupState::failed, status_of_error(error)}; }

FileFacts facts_of(const BY_HANDLE_FILE_INFORMATION& info, bool disk_file) {
  return {disk_file && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0, info.dwVolumeSerialNumber,
          static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow,
          static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow};
}

// Looks at what already stands under the backup's name. Access 0 asks for
// its attributes only: it is never opened for reading or writing. A name
// that GetFileAttributesW finds but CreateFileW cannot open (a symbolic link
// to nothing: the first looks at the link, the second follows it) is no
// backup a player could restore from.
Backup existing_backup(const std::wstring& backup, const BY_HANDLE_FILE_INFORMATION& game) {
  const HANDLE file = CreateFileW(backup.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  std::optional<FileFacts> found;
  if (file != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(file, &info) != 0) {
      found = facts_of(info, GetFileType(file) == FILE_TYPE_DISK);
    }
    CloseHandle(file);
  }
  return {existing_backup_state(found, facts_of(game, true)), {}};
}

// Reads the game through its own handle, in pieces, so memory does not grow
// with the file.
FileStatus copy_contents(HANDLE from, HANDLE to, std::uint64_t size) {
  std::vector<char> piece(1 << 20);
  for (std::uint64_t offset = 0; offset < size; offset += piece.size()) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), size - offset));
    const std::lock_guard<std::mutex> whole(file_work());
    if (FileStatus status = copy_at(reinterpret_cast<NativeHandle>(from), reinterpret_cast<NativeHandle>(to),
                                    offset, piece.data(), count);
        !status.ok()) {
      return status;
    }
  }
  return {};
}

// Names the closed copy without replacing anything. A virus scanner may
// hold the new file for a moment after it is closed, and a rename fails
// while it does; such a hold is waited out for up to about two seconds.
DWORD move_without_replacing(const std::wstring& temp, const std::wstring& backup) {
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(temp.c_str(), backup.c_str(), MOVEFILE_WRITE_THROUGH)) {
      return ERROR_SUCCESS;
    }
    const DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt == 20) {
      return error;
    }
    Sleep(100);
  }
}

// Names the copy through the handle that wrote it, before that handle is
// closed, so that no other program's handle on the new file (a scanner's)
// can stand in the way. ERROR_NOT_SUPPORTED where the system or the disk
// has no rename by handle.
DWORD rename_by_handle(HANDLE file, const std::wstring& backup) {
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + backup.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(backup.size() * sizeof(wchar_t));
  std::copy(backup.begin(), backup.end(), rename->FileName);
  rename->FileName[backup.size()] = L'\0';
  if (SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
    return ERROR_SUCCESS;
  }
  const DWORD error = GetLastError();
  return error == ERROR_INVALID_PARAMETER || error == ERROR_CALL_NOT_IMPLEMENTED ||
                 error == ERROR_INVALID_FUNCTION
             ? ERROR_NOT_SUPPORTED
             : error;
}

bool name_taken(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

Backup leftover_stuck(DWORD error) {
  return {BackupState::failed, {FileProblem::leftover_stuck, status_of_error(error).system_text}};
}

}  // namespace

Backup make_backup(const GameFile& game) {
  const HANDLE from = reinterpret_cast<HANDLE>(game.handle());
  const std::wstring backup = wide(backup_file_name);
  const std::wstring temp = wide(backup_temp_name);
  BY_HANDLE_FILE_INFORMATION source{};
  if (!GetFileInformationByHandle(from, &source)) {
    return failed(GetLastError());
  }
  // Ours, from a run that was killed while copying: removed whether or not a
  // backup exists.
  const bool leftover_found = DeleteFileW(temp.c_str()) != 0;
  const DWORD leftover =
      leftover_found || GetLastError() == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : GetLastError();
  if (GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return existing_backup(backup, source);
  }
  if (GetLastError() != ERROR_FILE_NOT_FOUND) {
    return failed(GetLastError());
  }
  if (leftover != ERROR_SUCCESS) {
    return leftover_stuck(leftover);
  }

  // Read and write access as well as DELETE: Microsoft advises read/write for
  // files on network shares, and DELETE lets this handle name or remove the
  // copy itself. Share read: a scanner may look at the copy while it is
  // written.
  const HANDLE to = CreateFileW(temp.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (to == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A leftover that another program still holds open is only marked for
    // deletion, and its name stays taken until that program lets go.
    return leftover_found && (name_taken(error) || error == ERROR_ACCESS_DENIED) ? leftover_stuck(error)
                                                                                 : failed(error);
  }
  Backup result{BackupState::made, {}};
  LARGE_INTEGER copied{};
  bool named = false;
  // Flushed through the handle that wrote it: a reopen could be refused.
  const std::uint64_t size = facts_of(source, true).size;
  if (FileStatus status = copy_contents(from, to, size); !status.ok()) {
    result = {BackupState::failed, std::move(status)};
  } else if (!FlushFileBuffers(to)) {
    result = failed(GetLastError());
  } else if (!GetFileSizeEx(to, &copied) || static_cast<std::uint64_t>(copied.QuadPart) != size) {
    result = {BackupState::failed, {FileProblem::too_short, ""}};
  } else if (FileStatus status = copy_reads_back(game, backup_temp_name, size); !status.ok()) {
    result = {BackupState::failed, std::move(status)};
  } else if (const DWORD error = rename_by_handle(to, backup); error == ERROR_SUCCESS) {
    named = true;
    (void)FlushFileBuffers(to);  // the new name too; the data is on disk already
  } else if (name_taken(error)) {
    result = existing_backup(backup, source);
  } else if (error != ERROR_NOT_SUPPORTED) {
    result = failed(error);
  }
  if (!CloseHandle(to) && result.state == BackupState::made && !named) {
    result = failed(GetLastError());
  }
  if (result.state == BackupState::made && !named) {
    const DWORD error = move_without_replacing(temp, backup);
    if (name_taken(error)) {
      result = existing_backup(backup, source);
    } else if (error != ERROR_SUCCESS) {
      result = failed(error);
    }
  }
  if (result.state != BackupState::made) {
    DeleteFileW(temp.c_str());
  }
  return result;
}
