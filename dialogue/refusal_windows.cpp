#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <optional>
#include <string>

#include "dialogue/refusal.h"
#include "dialogue/where.h"
#include "gamefile/wide_name_windows.h"

namespace {

// Controlled folder access (ransomware protection), as far as this account
// can read its setting: Defender's EnableControlledFolderAccess, 1 when it
// blocks (0 off, 2 audit only, 3 and 4 disk sectors only), a policy pushed by
// Group Policy or device management before the local choice. No value
// anywhere is unknown, not off: the policy key may be unreadable here.
enum class Protection { on, off, unknown };

std::optional<DWORD> machine_value(const wchar_t* key, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

Protection controlled_folder_access() {
  const wchar_t* const keys[] = {
      L"SOFTWARE\\Policies\\Microsoft\\Windows Defender\\Windows Defender Exploit Guard\\Controlled Folder "
      L"Access",
      L"SOFTWARE\\Microsoft\\Windows Defender\\Windows Defender Exploit Guard\\Controlled Folder Access"};
  for (const wchar_t* key : keys) {
    if (const std::optional<DWORD> value = machine_value(key, L"EnableControlledFolderAccess")) {
      return *value == 1 ? Protection::on : Protection::off;
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
         tool_path() + "; or move the game out of the protected folder";
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
           allow_me() + ". Then run me again.";
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
             allow_me() + ". Otherwise give your account write access to Halvane.exe.";
    case Protection::unknown:
      break;
  }
  return "I'm not allowed to change Halvane.exe (access denied). Give your account write access to it; or, "
         "if Controlled folder access (ransomware protection) is on, " +
         allow_me() + ".";
}

std::string blocked_cause(const FileStatus& status) {
  switch (controlled_folder_access()) {
    case Protection::on:
      return "Controlled folder access (ransomware protection) stopped me (" + status.system_text +
             "): " + allow_me();
    case Protection::off:
      return status.system_text;
    case Protection::unknown:
      break;
  }
  return status.system_text +
         "; if Controlled folder access (ransomware protection) is on, it may be what stopped me: " +
         allow_me();
}

// Smart App Control (Windows 11 set up fresh) runs only programs that
// Microsoft's cloud knows or that carry a valid signature, with no exception
// for one program: a patched game is neither. Its state is widely read from
// this value (0 off, 1 on, 2 evaluating, which blocks nothing), but it is no
// documented interface: a value that cannot be read says nothing.
std::string patched_game_warning(bool whole_backup) {
  const std::optional<DWORD> state =
      machine_value(L"SYSTEM\\CurrentControlSet\\Control\\CI\\Policy", L"VerifiedAndReputablePolicyState");
  if (state != 1U) {
    return "";
  }
  return std::string(
             "Smart App Control is on in this Windows: it may block Halvane.exe once I change it, as it "
             "blocks programs it does not know. If it does, ") +
         (whole_backup ? "copy Halvane.bak over Halvane.exe to get the game back."
                       : "reinstall Halvane to get the game back.");
}
