// What the player is told for the errors of Windows' own protections, which
// Wine does not have: fed the error codes that Windows gives.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "dialogue/refusal.h"
#include "support/scratch.h"

namespace {

struct Refused {
  const char* name;
  unsigned long code;
  FileProblem found;  // none: as the code says
  bool under_program_files;
  const char* words;
};

class WindowsRefusal : public testing::TestWithParam<Refused> {};

TEST_P(WindowsRefusal, NamesTheCauseAndTheWayOn) {
  const Refused& row = GetParam();
  InScratchFolder folder;
  std::filesystem::create_directory("Games");
  std::filesystem::current_path("Games");
  const std::string outer = row.under_program_files ? folder.root.string() : "C:\\Program Files";
  for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
    SetEnvironmentVariableA(name, outer.c_str());
  }
  FileStatus status = status_of_error(row.code);
  status.problem = row.found == FileProblem::none ? status.problem : row.found;
  const std::string said = refusal(status);
  std::filesystem::current_path(folder.root);
  EXPECT_NE(said.find(row.words), std::string::npos) << said;
}

const char* const onedrive = "OneDrive file that is not on this PC";

INSTANTIATE_TEST_SUITE_P(
    Codes, WindowsRefusal,
    testing::Values(
        Refused{"provider_not_running", 362, FileProblem::none, false, onedrive},
        Refused{"network_unavailable", 388, FileProblem::none, false, onedrive},
        Refused{"cloud_access_denied", 395, FileProblem::none, false, "Always keep on this device"},
        Refused{"past_the_cloud_family", 396, FileProblem::none, false, "I can't open Halvane.exe: "},
        Refused{"write_open_not_found_but_readable", ERROR_FILE_NOT_FOUND, FileProblem::blocked, false,
                "Allow an app through Controlled folder access, adding "},
        Refused{"denied_outside_program_files", ERROR_ACCESS_DENIED, FileProblem::none, false,
                "if Controlled folder access (ransomware protection) is on, allow me"},
        Refused{"denied_under_program_files", ERROR_ACCESS_DENIED, FileProblem::none, true,
                "right-click me and choose \"Run as administrator\""}),
    [](const testing::TestParamInfo<Refused>& info) { return info.param.name; });

}  // namespace
