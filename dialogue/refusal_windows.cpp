#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <string>

#include "dialogue/refusal.h"
#include "dialogue/where.h"
#include "gamefile/wide_name_windows.h"

namespace {

// Controlled folder access (ransomware protection), as far as this account
// can read its setting: Defender's EnableControlledFolderAccess, 1 when it
// blocks (0 off, 2 audit only), a group policy's before the user's choice.
enum class Protection { on, off, unknown };

Protection controlled_folder_access() {
  const wchar_t* const keys[] = {
      L"SOFTWARE\\Policies\\Microsoft\\Windows Defender\\Windows Defender Exploit Guard\\Controlled Folder "
      L"Access",
      L"SOFTWARE\\Microsoft\\Windows Defender\\Windows Defender Exploit Guard\\Controlled Folder Access"};
  for (const wchar_t* key : keys) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, L"EnableControlledFolderAccess", RRF_RT_REG_DWORD, nullptr,
                     &value, &size) == ERROR_SUCCESS) {
      return value == 1 ? Protection::on : Protection::off;
    }
  }
  return Protection::unknown;
}

std::string environment(const wchar_t* name) {
  wchar_t value[MAX_PATH + 1];
  const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH + 1);
  return length == 0 || length > MAX_PATH ? "" : utf8(std::wstring_view(value, length));
}

bool under_program_files() {
  const std::string folder = current_folder();
  for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432"}) {
    if (within(folder, environment(name))) {
      return true;
    }
  }
  return false;
}

std::string tool_path() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length < path.size() ? length : 0);
  return utf8(path);
}

// Where a player lets the tool through, and the other way out.
std::string allow_me() {
  return "allow me in Windows Security > Virus & threat protection > Ransomware protection > Allow an app "
         "through Controlled folder access, adding " +
         tool_path() + "; or move the game out of the protected folder.";
}

}  // namespace

std::string permission_refusal(const FileStatus& status) {
  if (status.problem == FileProblem::read_only) {
    return "Halvane.exe is read-only, so I can't change it. Clear its read-only setting and run me again.";
  }
  if (status.problem == FileProblem::blocked) {
    return "Windows would not let me change Halvane.exe, although it is there: Controlled folder access "
           "(ransomware protection) keeps programs it does not know from changing files in protected "
           "folders. To patch the game, " +
           allow_me() + " Then run me again.";
  }
  if (under_program_files()) {
    return "I'm not allowed to change Halvane.exe (access denied). If the game is under Program Files, "
           "right-click me and choose \"Run as administrator\"; otherwise give your account write access "
           "to Halvane.exe.";
  }
  switch (controlled_folder_access()) {
    case Protection::off:
      return "I'm not allowed to change Halvane.exe (access denied). Give your account write access to it "
             "(its Properties, Security tab) and run me again.";
    case Protection::on:
      return "I'm not allowed to change Halvane.exe (access denied). Controlled folder access (ransomware "
             "protection) is on and may be what stops me: " +
             allow_me() + " Otherwise give your account write access to Halvane.exe.";
    case Protection::unknown:
      break;
  }
  return "I'm not allowed to change Halvane.exe (access denied). Give your account write access to it; or, "
         "if Controlled folder access (ransomware protection) is on, " +
         allow_me();
}
