#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <string>

#include "gamefile/file_io.h"
#include "gamefile/wide_name_windows.h"

namespace {

// The system's words in the player's language, as UTF-8: FormatMessageA would
// give them in the ANSI code page, which a console does not show.
std::string system_text(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result = "Windows error " + std::to_string(code);
  if (length > 0) {
    result = utf8(std::wstring_view(text, length));
  }
  LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.')) {
    result.pop_back();
  }
  return result;
}

// Windows' cloud-file errors (winerror.h; MinGW's lacks most), one by one.
// OneDrive, Dropbox and iCloud all leave placeholders whose contents come
// from the cloud when read: each of these says why they did not, in words
// that go before the system's own. The others of the family (390 not under
// a sync root, 392 pinned, 394 a property corrupt, ...) say nothing of the
// contents, and keep the system's words alone.
struct CloudError {
  DWORD code;
  const char* why;
};
constexpr CloudError cloud_errors[] = {
    {362, "its cloud app is not running: start it"},      // ERROR_CLOUD_FILE_PROVIDER_NOT_RUNNING
    {386, "its cloud app is signed out: sign in to it"},  // ERROR_CLOUD_FILE_AUTHENTICATION_FAILED
    {388, "there is no network to download it over"},     // ERROR_CLOUD_FILE_NETWORK_UNAVAILABLE
    {389, "its download failed"},                         // ERROR_CLOUD_FILE_UNSUCCESSFUL
    {393, "its download was stopped"},                    // ERROR_CLOUD_FILE_REQUEST_ABORTED
    {395, "its cloud app refused to download it"},        // ERROR_CLOUD_FILE_ACCESS_DENIED
    {398, "its download was cancelled"},                  // ERROR_CLOUD_FILE_REQUEST_CANCELED
    {404, "its cloud app stopped while downloading it"},  // ERROR_CLOUD_FILE_PROVIDER_TERMINATED
    {426, "its download took too long"},                  // ERROR_CLOUD_FILE_REQUEST_TIMEOUT
};
// Errors that cloud files give among others: 1920 also comes from a reparse
// point that is no cloud file (a link to what is gone), 4350 from Offline
// Files on a network share. Their words name each cause, the cloud's among them.
constexpr CloudError not_only_cloud_errors[] = {
    {ERROR_CANT_ACCESS_FILE,
     "Windows cannot reach its contents: a cloud app (OneDrive, Dropbox, iCloud...) no longer serves them, "
     "or it is a link to something that is gone"},
    {ERROR_FILE_OFFLINE,
     "its contents are offline: in the cloud (OneDrive, Dropbox, iCloud...) and not on this PC, or on a "
     "network share that Offline Files cannot reach now"},
};
constexpr DWORD cloud_file_in_use = 391;  // ERROR_CLOUD_FILE_IN_USE

}  // namespace

FileStatus status_of_error(unsigned long code, Doing doing) {
  FileStatus status{FileProblem::other, system_text(code)};
  // Controlled folder access documents no error of its own (only its event
  // 1123); it is reported to fail a new file's create in a protected folder
  // as "not found", the folder being there, and a write through a handle
  // that opened for writing as "access denied".
  const bool not_found = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
  if ((doing == Doing::create && not_found && GetFileAttributesW(L".") != INVALID_FILE_ATTRIBUTES) ||
      (doing == Doing::write && code == ERROR_ACCESS_DENIED)) {
    status.problem = FileProblem::blocked;
    return status;
  }
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      status.problem = FileProblem::missing;
      break;
    case ERROR_ACCESS_DENIED:
      status.problem = FileProblem::access_denied;
      break;
    case ERROR_WRITE_PROTECT:
      status.problem = FileProblem::read_only_disk;
      break;
    case ERROR_SHARING_VIOLATION:  // the game running, or another run holding it
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      status.problem = FileProblem::in_use;
      break;
    case ERROR_DIRECTORY:
      status.problem = FileProblem::not_a_file;
      break;
    case ERROR_HANDLE_EOF:  // read_at's "the file ended first"
      status = {FileProblem::too_short, ""};
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      status.problem = FileProblem::disk_full;
      break;
    case cloud_file_in_use:
      status.problem = FileProblem::in_use;
      break;
    default:
      for (const CloudError& cloud : cloud_errors) {
        if (cloud.code == code) {
          status = {FileProblem::not_on_this_pc, std::string(cloud.why) + " (" + status.system_text + ")"};
        }
      }
      for (const CloudError& maybe_cloud : not_only_cloud_errors) {
        if (maybe_cloud.code == code) {
          status.system_text = std::string(maybe_cloud.why) + " (" + status.system_text + ")";
        }
      }
      break;
  }
  return status;
}
