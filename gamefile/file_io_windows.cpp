// The game file's open and its raw reads and writes, through a HANDLE.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gamefile/file_io.h"
#include "gamefile/wide_name_windows.h"
#include "gamefile/wine_holders_windows.h"

namespace {

HANDLE handle_of(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }

OVERLAPPED at(std::uint64_t offset) {
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  where.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return where;
}

// A placeholder whose contents stay in the cloud until read (winnt.h).
constexpr DWORD recall_on_data_access = 0x00400000;

}  // namespace

FileStatus open_game_handle(const char* game, NativeHandle& handle) {
  const std::wstring name = wide(game);
  // Share mode read only: while we hold the file nobody else may write it,
  // so a second run is refused, and an open that finds the game running (its
  // image mapped) or a writer already there fails with a sharing violation.
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return status_of_refused_open(game, GetLastError());
  }
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return {FileProblem::not_a_file, ""};
  }
  // Under Wine another prefix's run, or the Linux build's, is seen by this
  // lock alone (run_lock_offset). A disk that takes no locks is no reason
  // to refuse; only a lock held elsewhere is.
  OVERLAPPED lock_at = at(run_lock_offset);
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &lock_at) &&
      GetLastError() == ERROR_LOCK_VIOLATION) {
    CloseHandle(file);
    return {FileProblem::in_use, ""};
  }
  if (mapped_by_another_wine_prefix(file, name.c_str())) {
    CloseHandle(file);
    return {FileProblem::in_use, ""};
  }
  // A OneDrive file that is not on this PC: its contents would have to come
  // from the cloud first (Microsoft: "File attribute constants",
  // FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS and FILE_ATTRIBUTE_OFFLINE).
  BY_HANDLE_FILE_INFORMATION facts{};
  if (GetFileInformationByHandle(file, &facts) &&
      (facts.dwFileAttributes & (recall_on_data_access | FILE_ATTRIBUTE_OFFLINE)) != 0) {
    CloseHandle(file);
    return {FileProblem::not_on_this_pc, ""};
  }
  handle = reinterpret_cast<NativeHandle>(file);
  return {};
}

FileStatus status_of_refused_open(const char* game, unsigned long error) {
  const std::wstring name = wide(game);
  FileStatus status = status_of_error(error);
  // A folder and a read-only file are refused as "access denied" too.
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      status.problem = FileProblem::not_a_file;
    } else if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      status.problem = FileProblem::read_only;
    }
  }
  // Controlled folder access fails a blocked write-open, often as "not
  // found", while the file opens for reading as ever (Microsoft: "Enable
  // controlled folder access"; its event 1123 records the block).
  if (status.problem == FileProblem::missing) {
    const HANDLE reader = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (reader != INVALID_HANDLE_VALUE) {
      CloseHandle(reader);
      status.problem = FileProblem::blocked;
    }
  }
  return status;
}

// A virus scanner opens a file it has just seen written, and may hold it
// with a share mode that admits no reader for a moment; that is waited out
// for up to about three seconds rather than taken for a failed write.
Opened open_to_read(const char* name) {
  const std::wstring wide_name = wide(name);
  for (int attempt = 0;; ++attempt) {
    const HANDLE file =
        CreateFileW(wide_name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      return {reinterpret_cast<NativeHandle>(file), {}};
    }
    const DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) || attempt == 30) {
      return {no_handle, status_of_error(error)};
    }
    Sleep(100);
  }
}

FileStatus read_at(NativeHandle handle, std::uint64_t offset, char* bytes, std::size_t count) {
  while (count > 0) {
    OVERLAPPED where = at(offset);
    DWORD got = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
    if (!ReadFile(handle_of(handle), bytes, ask, &got, &where)) {
      return status_of_error(GetLastError());  // ERROR_HANDLE_EOF where the file ends before `offset`
    }
    if (got == 0) {
      return {FileProblem::too_short, ""};
    }
    bytes += got;
    count -= got;
    offset += got;
  }
  return {};
}

FileStatus write_at(NativeHandle handle, std::uint64_t offset, const char* bytes, std::size_t count) {
  for (bool some = false; count > 0; some = true) {
    OVERLAPPED where = at(offset);
    DWORD wrote = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
    const bool done = WriteFile(handle_of(handle), bytes, ask, &wrote, &where) != 0;
    if (!done || wrote == 0) {
      FileStatus status = status_of_error(done ? ERROR_DISK_FULL : GetLastError(), Doing::write);
      status.partly_written = some;
      return status;
    }
    bytes += wrote;
    count -= wrote;
    offset += wrote;
  }
  return {};
}

std::optional<std::uint64_t> size_of(NativeHandle handle) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle_of(handle), &size)) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(size.QuadPart);
}

FileStatus sync_to_disk(NativeHandle handle) {
  return FlushFileBuffers(handle_of(handle)) != 0 ? FileStatus{} : status_of_error(GetLastError());
}

// The run's lock is given back first: the system frees a lock left on a
// closed handle only as resources allow (Microsoft: LockFileEx), and a run
// started at once would be told the file is in use. A handle without the
// lock fails the unlock, and nothing follows from that.
FileStatus close_handle(NativeHandle handle) {
  OVERLAPPED lock_at = at(run_lock_offset);
  (void)UnlockFileEx(handle_of(handle), 0, 1, 0, &lock_at);
  return CloseHandle(handle_of(handle)) != 0 ? FileStatus{} : status_of_error(GetLastError());
}

// Windows finds any spelling of a name under the name itself.
std::vector<std::string> names_ignoring_case(const char* name) { return {name}; }
