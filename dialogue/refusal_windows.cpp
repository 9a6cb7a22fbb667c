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
// blocks (0 off, 2 audit only, 3 and 4 disk sectors only).
enum class Protection { on, off, unknown };

// A DWORD of the machine's registry: its value, nothing there, or there but
// not to be read as a number by this account.
enum class Found { value, none, unreadable };
struct Dword {
  Found found;
  DWORD value;
};

Dword machine_value(const wchar_t* key, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  const LSTATUS status =
      RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  if (status == ERROR_FILE_NOT_FOUND) {
    return {Found::none, 0};
  }
  return {status == ERROR_SUCCESS ? Found::value : Found::unreadable, value};
}

// The first source that holds the setting decides, in Defender's order:
// Group Policy, then device management (Intune, MDM), then the local choice
// (Microsoft: "Troubleshoot Microsoft Defender Antivirus settings"). A source
// that cannot be read may be the deciding one, so it makes the setting
// unknown, not off; and so does no value anywhere.
Protection controlled_folder_access() {
  const wchar_t* const keys[] = {
      L"SOFTWARE\\Policies\\Microsoft\\Windows Defender\\Windows Defender Exploit Guard\\Controlled Folder "
      L"Access",
      L"SOFTWARE\\Policies\\Microsoft\\Windows Defender\\Policy Manager",
      L"SOFTWARE\\Microsoft\\Windows Defender\\Windows Defender Exploit Guard\\Controlled Folder Access"};
  for (const wchar_t* key : keys) {
    const Dword setting = machine_value(key, L"EnableControlledFolderAccess");
    if (setting.found == Found::value) {
      return setting.value == 1 ? Protection::on : Protection::off;
    }
    if (setting.found == Found::unreadable) {
      return Protection::unknown;
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

// Where a player lets the tool through, and the other way out.
std::string allow_me() {
  return "allow me in Windows Security > Virus & threat protection > Manage ransomware protection > Allow an "
         "app through Controlled folder access > Add an allowed app, choosing " +
         tool_file() + "; or move the game out of the protected folder";
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

std::string blocked_backup_refusal(const Backup& backup) {
  if (backup.state != BackupState::failed || backup.why.problem != FileProblem::blocked) {
    return "";
  }
  switch (controlled_folder_access()) {
    case Protection::on:
      return "Windows would not let me make Halvane.bak beside Halvane.exe (" + backup.why.system_text +
             "): Controlled folder access (ransomware protection) keeps programs it does not know from "
             "changing protected folders, and would stop my changes to Halvane.exe too, so I changed "
             "nothing. To patch the game, " +
             allow_me() + ". Then run me again.";
    case Protection::off:
      return "";  // something else stopped the create: the questions go on without a backup
    case Protection::unknown:
      break;
  }
  return "Windows would not let me make Halvane.bak beside Halvane.exe (" + backup.why.system_text +
         "). If Controlled folder access (ransomware protection) is on, it is what stopped me, and it "
         "would stop my changes to Halvane.exe too, so I changed nothing. To patch the game, " +
         allow_me() + ". Then run me again.";
}

// Smart App Control (Windows 11 set up fresh) runs only programs that
// Microsoft's cloud knows or that carry a valid signature, with no exception
// for one program: a patched game is neither. Its state is this value, 0
// off, 1 on, 2 evaluation (Microsoft: "Test your app's signature with Smart
// App Control"). When it is on, this unsigned tool is blocked before it can
// say anything; in evaluation Windows may turn it on later by itself, and it
// then blocks the patched game. A value that cannot be read says nothing.
std::string patched_game_warning(bool whole_backup) {
  const Dword state =
      machine_value(L"SYSTEM\\CurrentControlSet\\Control\\CI\\Policy", L"VerifiedAndReputablePolicyState");
  const char* const way_back = whole_backup ? "copy Halvane.bak over Halvane.exe to get the game back."
                                            : "reinstall Halvane to get the game back.";
  if (state.found == Found::value && state.value == 1) {
    return std::string(
               "Smart App Control is on in this Windows: it may block Halvane.exe once I change it, as it "
               "blocks programs it does not know. If it does, ") +
           way_back;
  }
  if (state.found == Found::value && state.value == 2) {
    return std::string(
               "Windows is still deciding whether to turn Smart App Control on. If it does, it may block "
               "Halvane.exe once I change it, as it blocks programs it does not know; then ") +
           way_back;
  }
  return "";
}
