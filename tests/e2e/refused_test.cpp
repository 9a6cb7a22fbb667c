// Halvane.exe is there but cannot be patched: the run says why in one line,
// asks nothing, creates nothing, and ends with status 1 after the closing
// prompt.

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "e2e/transcript.h"
#include "support/run_tool.h"
#include "support/scratch.h"
#include "support/stand_in.h"
#if defined(__linux__)
#include "support/windows_build.h"
#endif

namespace {

using namespace transcript;

struct Refusal {
  const char* name;
  // Sets up the folder, returning whatever must keep running meanwhile.
  std::unique_ptr<Background> (*set_up)(const ScratchFolder& folder);
  std::string line;
  // The run refused: the native build, or a script that runs another; ""
  // where what it needs is not installed.
  std::string (*tool)(const ScratchFolder& folder) = [](const ScratchFolder&) {
    return std::string(HALVANE_RES_PATH);
  };
};

void PrintTo(const Refusal& refusal, std::ostream* os) { *os << refusal.name; }

class Refused : public testing::TestWithParam<Refusal> {};

TEST_P(Refused, SaysWhyAndChangesNothing) {
  ScratchFolder folder;
  const std::unique_ptr<Background> running = GetParam().set_up(folder);
  if (IsSkipped() || HasFailure()) {
    return;
  }
  ASSERT_TRUE(running == nullptr || running->ready);
  const std::string tool = GetParam().tool(folder);
  if (tool.empty()) {
    GTEST_SKIP() << "needs a program that is not installed here";
  }
  const auto files = [&folder] {
    std::map<std::string, std::string> found;  // every file's name and bytes
    for (const auto& entry : std::filesystem::directory_iterator(folder.root)) {
      found[entry.path().filename().string()] =
          entry.is_regular_file() ? read_file(entry.path().string()) : "";
    }
    return found;
  };
  const auto before = files();

  ToolRun run = run_tool(folder.root.string(), "0\n0\n0\n0\n0\nyyyq", {}, 20, tool);
  run.output.erase(std::remove(run.output.begin(), run.output.end(), '\r'), run.output.end());  // Wine's
  EXPECT_EQ(mismatch(run.output, GetParam().line + closing), "");
  EXPECT_EQ(too_wide(run.output), "");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(files() == before) << "a file was made or changed";
}

#if defined(__linux__)
// The Windows build, run under Wine from a script in the folder; the native
// build where there is none to run.
std::string windows_exe_in(const ScratchFolder& folder, bool other_prefix) {
  return windows_build_has("halvane-res.exe")
             ? under_wine(folder.root.string(), windows_build + "/halvane-res.exe", other_prefix)
             : HALVANE_RES_PATH;
}

std::unique_ptr<Background> game_under_wine(const ScratchFolder& folder, const char* name = "Halvane.exe") {
  if (!windows_build_has("tests/sleeper.exe")) {
    return std::unique_ptr<Background>();
  }
  std::filesystem::copy_file(windows_build + "/tests/sleeper.exe", folder.path(name));
  return std::make_unique<Background>(under_wine(folder.root.string(), name, false), folder.root.string(),
                                      "ready");
}

// The game as Wine maps it: mapped, not executed, and not locked.
std::unique_ptr<Background> game_mapped(const ScratchFolder& folder) {
  (void)write_stand_in(folder.path("Halvane.exe"));
  return std::make_unique<Background>(MAPPER_PATH, folder.root.string(), "ready");
}

// Mapped as by the game under Wine, run by another account, whose memory maps
// are hidden from the player's: the kernel still knows that the file is held.
std::unique_ptr<Background> game_mapped_by_another_account(const ScratchFolder& folder) {
  const passwd* nobody = getpwnam("nobody");
  if (geteuid() != 0 || nobody == nullptr) {
    [] { GTEST_SKIP() << "needs root, to map the file as one account and run the tool as another"; }();
    return {};
  }
  std::unique_ptr<Background> game = game_mapped(folder);
  EXPECT_EQ(chown(folder.path("Halvane.exe").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  return game;
}

std::unique_ptr<Background> read_only_game(const ScratchFolder& folder) {
  (void)write_stand_in(folder.path("Halvane.exe"));
  using std::filesystem::perms;
  std::filesystem::permissions(folder.path("Halvane.exe"),
                               perms::owner_read | perms::group_read | perms::others_read);
  return {};
}

// The tool run by another account where the tests run as root, which may
// make a backup beside the game.
std::string as_another_account(const ScratchFolder& folder) {
  std::filesystem::permissions(folder.root, std::filesystem::perms::all);
  return tool_as_nobody(folder.root.string());
}
#endif

// A first run of `tool`, waiting at the first question for the rest of a line.
std::unique_ptr<Background> first_run(const ScratchFolder& folder, const std::string& tool) {
  (void)write_stand_in(folder.path("Halvane.exe"));
  return std::make_unique<Background>(tool, folder.root.string(), "for no change", "0");
}

const Refusal causes[] = {
    Refusal{"folder_named_like_the_game",
            [](const ScratchFolder& folder) {
              std::filesystem::create_directory(folder.path("Halvane.exe"));
              return std::unique_ptr<Background>();
            },
            not_a_file},
    // A small program running under the game's name, as the game itself would.
    Refusal{"game_running",
            [](const ScratchFolder& folder) {
              std::filesystem::copy_file(SLEEPER_PATH, folder.path("Halvane.exe"));
              return std::make_unique<Background>(folder.path("Halvane.exe"), folder.root.string(), "ready");
            },
            in_use},
#if !defined(_WIN32)
    // Where Windows would find one of two at random: which is the game?
    Refusal{"two_spellings",
            [](const ScratchFolder& folder) {
              (void)write_stand_in(folder.path("HALVANE.EXE"));
              (void)write_stand_in(folder.path("halvane.exe"));
              return std::unique_ptr<Background>();
            },
            two_spellings},
    // Opening a FIFO for reading waits for a writer; the tool must not.
    Refusal{"fifo_named_like_the_game",
            [](const ScratchFolder& folder) {
              (void)mkfifo(folder.path("Halvane.exe").c_str(), 0644);
              return std::unique_ptr<Background>();
            },
            not_a_file},
#endif
#if defined(__linux__)
    Refusal{"game_mapped_as_wine_does", game_mapped, in_use},
    Refusal{"game_mapped_by_another_account", game_mapped_by_another_account, in_use, as_another_account},
    // By its owner, or by nobody on root's file.
    Refusal{"read_only_game_file", read_only_game,
            geteuid() == 0 ? read_only_of_root
                           : own({"Halvane.exe is read-only", "chmod u+w Halvane.exe", "run me again"}),
            as_another_account},
    // On a disk that grants no lease (its second fcntl on the game, after the
    // lock's, fails as a network mount's does), found in the processes' maps.
    Refusal{"game_mapped_where_no_lease_is_granted", game_mapped, in_use,
            [](const ScratchFolder& folder) {
              return tool_failing_at(folder.root.string(), folder.path("Halvane.exe"),
                                     {"fcntl:error=EINVAL:when=2"});
            }},
    // The Windows build's stand-in for the game, run by wine64 as players run
    // the game, beside each build: the Windows build in the same prefix, and
    // in another, whose wineserver does not know the game's open file.
    Refusal{"game_running_under_wine", [](const ScratchFolder& folder) { return game_under_wine(folder); },
            in_use},
    Refusal{"game_running_under_wine_windows_run_in_the_same_prefix",
            [](const ScratchFolder& folder) { return game_under_wine(folder); }, in_use,
            [](const ScratchFolder& folder) { return windows_exe_in(folder, false); }},
    Refusal{"game_running_under_wine_windows_run_in_another_prefix",
            [](const ScratchFolder& folder) { return game_under_wine(folder); }, in_use,
            [](const ScratchFolder& folder) { return windows_exe_in(folder, true); }},
    Refusal{"game_in_capitals_running_under_wine_windows_run_in_another_prefix",
            [](const ScratchFolder& folder) { return game_under_wine(folder, "HALVANE.EXE"); }, in_use,
            [](const ScratchFolder& folder) { return windows_exe_in(folder, true); }},
    // Two runs at once, each the Windows build in a prefix of its own or the
    // Linux build: Wine's sharing rules hold within one prefix alone.
    Refusal{"windows_run_in_another_prefix_while_one_waits",
            [](const ScratchFolder& folder) { return first_run(folder, windows_exe_in(folder, false)); },
            in_use, [](const ScratchFolder& folder) { return windows_exe_in(folder, true); }},
    Refusal{"windows_run_while_a_linux_run_waits",
            [](const ScratchFolder& folder) { return first_run(folder, HALVANE_RES_PATH); }, in_use,
            [](const ScratchFolder& folder) { return windows_exe_in(folder, true); }},
    Refusal{"linux_run_while_a_windows_run_waits",
            [](const ScratchFolder& folder) { return first_run(folder, windows_exe_in(folder, false)); },
            in_use},
#endif
    Refusal{"second_run_while_the_first_waits",
            [](const ScratchFolder& folder) { return first_run(folder, HALVANE_RES_PATH); }, in_use}};

INSTANTIATE_TEST_SUITE_P(Causes, Refused, testing::ValuesIn(causes),
                         [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

}  // namespace
