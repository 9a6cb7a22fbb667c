#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "dialogue/where.h"
#include "gamefile/wide_name_windows.h"

namespace {

// A folder as the player knows it: a temporary folder can come in 8.3 short
// form (C:\Users\JOHNDO~1\...) where the account's name is long.
std::string long_form(const std::wstring& folder) {
  std::wstring whole(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetLongPathNameW(folder.c_str(), whole.data(), static_cast<DWORD>(whole.size()));
    if (length == 0) {
      return utf8(folder);
    }
    if (length < whole.size()) {
      whole.resize(length);
      return utf8(whole);
    }
    whole.resize(length);
  }
}

}  // namespace

std::string current_folder() {
  std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
  const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
  if (length == 0 || length >= folder.size()) {
    return "";
  }
  folder.resize(length);
  return long_form(folder);
}

std::string temp_folder() {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  return length == 0 || length > MAX_PATH ? "" : long_form(std::wstring(folder, length));
}

std::string tool_file() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length < path.size() ? length : 0);
  return path.empty() ? "" : long_form(path);
}

// Windows compares names case-insensitively itself.
bool game_in(const std::string& folder) {
  const DWORD attributes = GetFileAttributesW((wide(folder.c_str()) + L"\\Halvane.exe").c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string start_there() {
  return "Start me from that folder, or from a shortcut whose \"Start in\" is that folder.";
}
