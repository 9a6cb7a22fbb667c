// What the player is told for the errors of Windows' own protections, which
// Wine does not have: fed the error codes that Windows gives.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "dialogue/refusal.h"
#include "support/scratch.h"

namespace {

const wchar_t* const cfa_policy =
    L"SOFTWARE\\Policies\\Microsoft\\Windows Defender\\Windows Defender Exploit Guard\\Controlled Folder "
    L"Access";
const wchar_t* const cfa_mdm = L"SOFTWARE\\Policies\\Microsoft\\Windows Defender\\Policy Manager";
const wchar_t* const cfa_local =
    L"SOFTWARE\\Microsoft\\Windows Defender\\Windows Defender Exploit Guard\\Controlled Folder Access";

constexpr int no_value = -1;
constexpr int unreadable = -2;  // there, but no number

// Feeds a DWORD of the machine's registry to one test, where given: Wine's
// prefix has none of these, so the test removes it after.
void feed(const wchar_t* key, const wchar_t* name, int value) {
  const auto dword = static_cast<DWORD>(value);
  if (value >= 0) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_DWORD, &dword, sizeof dword);
  } else if (value == unreadable) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_SZ, L"on", sizeof L"on");
  }
}

struct Refused {
  const char* name;
  unsigned long code;
  // An open of Halvane.exe refused with `code`, the file there or not:
  // told apart as the tool does, by what else can be seen of it.
  enum { code_alone, open_file_there, open_file_missing } refused;
  bool under_program_files;
  const char* words;           // nullptr: the system's words alone
  Doing doing = Doing::other;  // other: an open, refused; else the cause of a failed create or write
  int policy = no_value;       // Controlled folder access by Group Policy, locally, and by MDM
  int local = no_value;
  int mdm = no_value;
  bool backup = false;  // the create is the backup's: what is said before the questions, if anything
};

void PrintTo(const Refused& row, std::ostream* os) { *os << row.name; }

class WindowsRefusal : public testing::TestWithParam<Refused> {};

TEST_P(WindowsRefusal, NamesTheCauseAndTheWayOn) {
  const Refused& row = GetParam();
  InScratchFolder folder;
  std::filesystem::create_directory("Games");
  std::filesystem::current_path("Games");
  const char* const names[] = {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"};
  std::string found[3];  // as the test found them, put back after it
  const std::string outer = row.under_program_files ? folder.root.string() : "C:\\Program Files";
  for (std::size_t i = 0; i < 3; ++i) {
    found[i].resize(MAX_PATH + 1);
    found[i].resize(GetEnvironmentVariableA(names[i], found[i].data(), MAX_PATH + 1));
    SetEnvironmentVariableA(names[i], outer.c_str());
  }
  feed(cfa_policy, L"EnableControlledFolderAccess", row.policy);
  feed(cfa_local, L"EnableControlledFolderAccess", row.local);
  feed(cfa_mdm, L"EnableControlledFolderAccess", row.mdm);
  if (row.refused == Refused::open_file_there) {
    std::ofstream("Halvane.exe") << "MZ";
  }
  const FileStatus status = row.refused == Refused::code_alone
                                ? status_of_error(row.code, row.doing)
                                : status_of_refused_open("Halvane.exe", row.code);
  const std::string said = row.backup ? blocked_backup_refusal(Backup{BackupState::failed, status})
                           : row.doing == Doing::other ? refusal(status)
                                                       : cause_words(status);
  std::filesystem::current_path(folder.root);
  for (std::size_t i = 0; i < 3; ++i) {
    SetEnvironmentVariableA(names[i], found[i].empty() ? nullptr : found[i].c_str());
  }
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, cfa_policy, L"EnableControlledFolderAccess");
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, cfa_local, L"EnableControlledFolderAccess");
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, cfa_mdm, L"EnableControlledFolderAccess");
  if (row.words == nullptr) {
    EXPECT_EQ(said, row.backup ? "" : status.system_text);
  } else {
    EXPECT_NE(said.find(row.words), std::string::npos) << said;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, WindowsRefusal,
    testing::Values(
        // The cloud errors that are not about a download keep the system's words alone.
        Refused{"not_under_a_sync_root", 390, Refused::code_alone, false, "I can't open Halvane.exe: "},
        Refused{"cloud_file_in_use", 391, Refused::code_alone, false, "Halvane.exe is in use"},
        Refused{"pinned", 392, Refused::code_alone, false, "I can't open Halvane.exe: "},
        Refused{"property_corrupt", 394, Refused::code_alone, false, "I can't open Halvane.exe: "},
        // Controlled folder access as it is reported to fail a write-open of a file that reads.
        Refused{"write_open_not_found_but_readable", ERROR_FILE_NOT_FOUND, Refused::open_file_there, false,
                "Allow an app through Controlled folder access"},
        Refused{"write_open_not_found_and_gone", ERROR_FILE_NOT_FOUND, Refused::open_file_missing, false,
                "I can't open Halvane.exe: "},
        // Controlled folder access as it is reported to fail a create and a write, by its setting.
        Refused{
            "create_not_found_setting_unknown", ERROR_FILE_NOT_FOUND, Refused::code_alone, false,
            "if Controlled folder access (ransomware protection) is on, it may be what stopped me: allow me",
            Doing::create},
        Refused{"write_denied_setting_on", ERROR_ACCESS_DENIED, Refused::code_alone, false,
                "Controlled folder access (ransomware protection) stopped me", Doing::write, no_value, 1},
        Refused{"write_denied_policy_off_over_local_on", ERROR_ACCESS_DENIED, Refused::code_alone, false,
                nullptr, Doing::write, 0, 1},
        Refused{"write_denied_mdm_on_over_local_off", ERROR_ACCESS_DENIED, Refused::code_alone, false,
                "Manage ransomware protection > Allow an app", Doing::write, no_value, 0, 1},
        Refused{"write_denied_mdm_unreadable_over_local_off", ERROR_ACCESS_DENIED, Refused::code_alone, false,
                "it may be what stopped me", Doing::write, no_value, 0, unreadable},
        // The backup's create blocked: said before the questions, unless the setting is known to be off.
        Refused{"backup_blocked_setting_on", ERROR_FILE_NOT_FOUND, Refused::code_alone, false,
                "so I changed nothing. To patch the game, allow me", Doing::create, 1, no_value, no_value,
                true},
        Refused{"backup_blocked_setting_unknown", ERROR_FILE_NOT_FOUND, Refused::code_alone, false,
                "it is what stopped me", Doing::create, no_value, no_value, no_value, true},
        Refused{"backup_blocked_setting_off", ERROR_FILE_NOT_FOUND, Refused::code_alone, false, nullptr,
                Doing::create, no_value, 0, no_value, true},
        Refused{"create_not_found_policy_on", ERROR_PATH_NOT_FOUND, Refused::code_alone, false,
                "Allow an app through Controlled folder access", Doing::create, 1},
        Refused{"create_denied_is_no_block", ERROR_ACCESS_DENIED, Refused::code_alone, false, nullptr,
                Doing::create},
        Refused{"denied_outside_program_files", ERROR_ACCESS_DENIED, Refused::code_alone, false,
                "if Controlled folder access (ransomware protection) is on, allow me"},
        Refused{"denied_under_program_files", ERROR_ACCESS_DENIED, Refused::code_alone, true,
                "right-click me and choose \"Run as administrator\""}),
    [](const testing::TestParamInfo<Refused>& info) { return info.param.name; });

// Each cloud error that keeps a file's contents from this PC has words of its
// own, which say why, before the system's in brackets.
TEST(CloudErrors, EachDownloadFailureIsSaidInWordsOfItsOwn) {
  const unsigned long codes[] = {
      362, 386, 388, 389, 393, 395, 398, 404, 426, ERROR_CANT_ACCESS_FILE, ERROR_FILE_OFFLINE};
  std::set<std::string> own_words;
  for (const unsigned long code : codes) {
    const std::string text = status_of_error(code).system_text;
    const std::size_t system_words = text.rfind(" (");
    ASSERT_TRUE(system_words != std::string::npos && system_words > 0 && text.back() == ')')
        << code << ": " << text;
    own_words.insert(text.substr(0, system_words));
  }
  EXPECT_EQ(own_words.size(), std::size(codes));
}

// Smart App Control, fed its state: said where it is on, and where Windows
// is still deciding whether to turn it on.
struct SmartAppControl {
  const char* name;
  int state;
  bool whole_backup;
  const char* words;  // nullptr for nothing said
};

class PatchedGame : public testing::TestWithParam<SmartAppControl> {};

TEST_P(PatchedGame, IsSaidToBeBlockedWhereSmartAppControlMayBlockIt) {
  const wchar_t* const policy = L"SYSTEM\\CurrentControlSet\\Control\\CI\\Policy";
  feed(policy, L"VerifiedAndReputablePolicyState", GetParam().state);
  const std::string said = patched_game_warning(GetParam().whole_backup);
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, policy, L"VerifiedAndReputablePolicyState");
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
                    SmartAppControl{"evaluating", 2, true, "still deciding whether to turn"},
                    SmartAppControl{"off", 0, true, nullptr},
                    SmartAppControl{"none", no_value, true, nullptr},
                    SmartAppControl{"unreadable", unreadable, true, nullptr}),
    [](const testing::TestParamInfo<SmartAppControl>& info) { return info.param.name; });

}  // namespace
