// What the player is told for the errors of Windows' own protections, which
// Wine does not have: fed the error codes that Windows gives.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "dialogue/refusal.h"
#include "support/scratch.h"

namespace {

const wchar_t* const cfa_policy =
    L"SOFTWARE\\Policies\\Microsoft\\Windows Defender\\Windows Defender Exploit Guard\\Controlled Folder "
    L"Access";
const wchar_t* const cfa_local =
    L"SOFTWARE\\Microsoft\\Windows Defender\\Windows Defender Exploit Guard\\Controlled Folder Access";

// A DWORD of the machine's registry, set for one test (where given) and
// removed after it; Wine's prefix has none of these.
class MachineValue {
 public:
  MachineValue(const wchar_t* key, const wchar_t* name, int value) : key(key), name(name), set(value >= 0) {
    const auto dword = static_cast<DWORD>(value);
    set = set &&
          RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_DWORD, &dword, sizeof dword) == ERROR_SUCCESS;
  }
  ~MachineValue() {
    if (set) {
      RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, name);
    }
  }
  MachineValue(const MachineValue&) = delete;
  MachineValue& operator=(const MachineValue&) = delete;

 private:
  const wchar_t* key;
  const wchar_t* name;
  bool set;
};

// The variables as the test found them, put back after it.
class SavedVariable {
 public:
  explicit SavedVariable(const char* name) : name(name) {
    const DWORD length = GetEnvironmentVariableA(name, nullptr, 0);
    if (length > 0) {
      value.resize(length);
      value.resize(GetEnvironmentVariableA(name, value.data(), length));
      found = true;
    }
  }
  ~SavedVariable() { SetEnvironmentVariableA(name, found ? value.c_str() : nullptr); }
  SavedVariable(const SavedVariable&) = delete;
  SavedVariable& operator=(const SavedVariable&) = delete;

 private:
  const char* name;
  std::string value;
  bool found = false;
};

struct Refused {
  const char* name;
  unsigned long code;
  FileProblem found;  // none: as the code says
  bool under_program_files;
  const char* words;           // nullptr: the system's words alone
  Doing doing = Doing::other;  // other: an open, refused; else the cause of a failed create or write
  int policy = -1;             // Controlled folder access by policy, and locally: -1 for no value
  int local = -1;
};

void PrintTo(const Refused& row, std::ostream* os) { *os << row.name; }

class WindowsRefusal : public testing::TestWithParam<Refused> {};

TEST_P(WindowsRefusal, NamesTheCauseAndTheWayOn) {
  const Refused& row = GetParam();
  InScratchFolder folder;
  std::filesystem::create_directory("Games");
  std::filesystem::current_path("Games");
  const SavedVariable saved[] = {SavedVariable("ProgramFiles"), SavedVariable("ProgramFiles(x86)"),
                                 SavedVariable("ProgramW6432")};
  const std::string outer = row.under_program_files ? folder.root.string() : "C:\\Program Files";
  for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
    SetEnvironmentVariableA(name, outer.c_str());
  }
  const MachineValue policy(cfa_policy, L"EnableControlledFolderAccess", row.policy);
  const MachineValue local(cfa_local, L"EnableControlledFolderAccess", row.local);
  FileStatus status = status_of_error(row.code, row.doing);
  status.problem = row.found == FileProblem::none ? status.problem : row.found;
  const std::string said = row.doing == Doing::other ? refusal(status) : cause_words(status);
  std::filesystem::current_path(folder.root);
  if (row.words == nullptr) {
    EXPECT_EQ(said, status.system_text);
  } else {
    EXPECT_NE(said.find(row.words), std::string::npos) << said;
  }
}

const char* const cloud = "cloud file (OneDrive, Dropbox, iCloud...) that is not on this PC: ";

INSTANTIATE_TEST_SUITE_P(
    Codes, WindowsRefusal,
    testing::Values(
        // Each cloud error that keeps a file's contents from this PC, with its own words.
        Refused{"provider_not_running", 362, FileProblem::none, false, "not running: start it"},
        Refused{"signed_out", 386, FileProblem::none, false, "signed out: sign in"},
        Refused{"network_unavailable", 388, FileProblem::none, false, "no network"},
        Refused{"download_failed", 389, FileProblem::none, false, "download failed"},
        Refused{"download_stopped", 393, FileProblem::none, false, "download was stopped"},
        Refused{"cloud_access_denied", 395, FileProblem::none, false, "refused to download it"},
        Refused{"download_cancelled", 398, FileProblem::none, false, "download was cancelled"},
        Refused{"provider_terminated", 404, FileProblem::none, false, "stopped while downloading"},
        Refused{"download_timed_out", 426, FileProblem::none, false, "took too long"},
        Refused{"provider_gone", ERROR_CANT_ACCESS_FILE, FileProblem::none, false, cloud},
        Refused{"file_offline", ERROR_FILE_OFFLINE, FileProblem::none, false, "Always keep on this device"},
        // The others of the family are not about a download.
        Refused{"not_under_a_sync_root", 390, FileProblem::none, false, "I can't open Halvane.exe: "},
        Refused{"cloud_file_in_use", 391, FileProblem::none, false, "Halvane.exe is in use"},
        Refused{"pinned", 392, FileProblem::none, false, "I can't open Halvane.exe: "},
        Refused{"property_corrupt", 394, FileProblem::none, false, "I can't open Halvane.exe: "},
        Refused{"write_open_not_found_but_readable", ERROR_FILE_NOT_FOUND, FileProblem::blocked, false,
                "Allow an app through Controlled folder access, adding "},
        // Controlled folder access as it is reported to fail a create and a write, by its setting.
        Refused{
            "create_not_found_setting_unknown", ERROR_FILE_NOT_FOUND, FileProblem::none, false,
            "if Controlled folder access (ransomware protection) is on, it may be what stopped me: allow me",
            Doing::create},
        Refused{"write_denied_setting_on", ERROR_ACCESS_DENIED, FileProblem::none, false,
                "Controlled folder access (ransomware protection) stopped me", Doing::write, -1, 1},
        Refused{"write_denied_policy_off_over_local_on", ERROR_ACCESS_DENIED, FileProblem::none, false,
                nullptr, Doing::write, 0, 1},
        Refused{"create_not_found_policy_on", ERROR_PATH_NOT_FOUND, FileProblem::none, false,
                "Allow an app through Controlled folder access, adding ", Doing::create, 1, -1},
        Refused{"create_denied_is_no_block", ERROR_ACCESS_DENIED, FileProblem::none, false, nullptr,
                Doing::create},
        Refused{"denied_outside_program_files", ERROR_ACCESS_DENIED, FileProblem::none, false,
                "if Controlled folder access (ransomware protection) is on, allow me"},
        Refused{"denied_under_program_files", ERROR_ACCESS_DENIED, FileProblem::none, true,
                "right-click me and choose \"Run as administrator\""}),
    [](const testing::TestParamInfo<Refused>& info) { return info.param.name; });

// Smart App Control, fed its state: said only where it is on.
struct SmartAppControl {
  const char* name;
  int state;  // -1 for no value
  bool whole_backup;
  const char* words;  // nullptr for nothing said
};

class PatchedGame : public testing::TestWithParam<SmartAppControl> {};

TEST_P(PatchedGame, IsSaidToBeBlockedOnlyWhereSmartAppControlIsOn) {
  const MachineValue state(L"SYSTEM\\CurrentControlSet\\Control\\CI\\Policy",
                           L"VerifiedAndReputablePolicyState", GetParam().state);
  const std::string said = patched_game_warning(GetParam().whole_backup);
  if (GetParam().words == nullptr) {
    EXPECT_EQ(said, "");
  } else {
    EXPECT_NE(said.find(GetParam().words), std::string::npos) << said;
  }
}

INSTANTIATE_TEST_SUITE_P(
    States, PatchedGame,
    testing::Values(SmartAppControl{"on", 1, true, "copy Halvane.bak over Halvane.exe"},
                    SmartAppControl{"on_without_a_backup", 1, false, "reinstall Halvane"},
                    SmartAppControl{"off", 0, true, nullptr}, SmartAppControl{"evaluating", 2, true, nullptr},
                    SmartAppControl{"unreadable", -1, true, nullptr}),
    [](const testing::TestParamInfo<SmartAppControl>& info) { return info.param.name; });

}  // namespace
