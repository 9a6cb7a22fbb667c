// The launcher's pieces without a desktop: each terminal's command form, the
// choice among the terminals on PATH, and which pipes count as a launcher's.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>

#include "support/scratch.h"
#include "window/how_started_linux.h"
#include "window/terminals_linux.h"

namespace {

// PATH holding the given programs (empty scripts), and $TERMINAL as given.
class OnPath {
 public:
  OnPath(const std::vector<std::string>& programs, const char* terminal) {
    const char* path = std::getenv("PATH");
    old_path = path != nullptr ? path : "/usr/bin:/bin";
    const char* old = std::getenv("TERMINAL");
    old_terminal = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    for (const std::string& program : programs) {
      std::ofstream(bin.path(program)).close();
      std::filesystem::permissions(bin.path(program), std::filesystem::perms::owner_all);
    }
    setenv("PATH", bin.root.c_str(), 1);
    terminal != nullptr ? setenv("TERMINAL", terminal, 1) : unsetenv("TERMINAL");
  }
  ~OnPath() {
    setenv("PATH", old_path.c_str(), 1);
    old_terminal ? setenv("TERMINAL", old_terminal->c_str(), 1) : unsetenv("TERMINAL");  // as it was found
  }
  ScratchFolder bin;

 private:
  std::string old_path;
  std::optional<std::string> old_terminal;
};

// A tool path that a shell could get wrong: spaces and a quote.
const std::vector<std::string> command = {"/usr/bin/env", "MARK=1", "/games/Hal vane/it's/halvane-res"};

// What is on PATH and in $TERMINAL; the terminals tried, in order, and how
// the first is told to run the command: the player's options from $TERMINAL
// right after its path, the command whole at the end, and its own form
// between them (which the desktop test runs for real).
struct Found {
  const char* name;
  std::vector<std::string> programs;
  const char* terminal;
  std::vector<std::string> tried;
  std::vector<std::string> first_options = {};  // right after the first's path
};

void PrintTo(const Found& found, std::ostream* os) { *os << found.name; }

class Terminals : public testing::TestWithParam<Found> {};

TEST_P(Terminals, EachTriedOnceInOrderWithItsCommandForm) {
  const Found& row = GetParam();
  const OnPath path(row.programs, row.terminal);
  if (row.programs.back() == "x-terminal-emulator") {  // a link, as Debian's alternatives make it
    std::filesystem::remove(path.bin.path("x-terminal-emulator"));
    std::filesystem::create_symlink(path.bin.path("xterm"), path.bin.path("x-terminal-emulator"));
  }
  const std::vector<FoundTerminal> found = terminals_found();
  std::vector<std::string> tried;
  tried.reserve(found.size());
  for (const FoundTerminal& terminal : found) {
    tried.push_back(std::filesystem::path(terminal.program).filename().string());
  }
  ASSERT_EQ(tried, row.tried);
  std::vector<std::string> line = command_line(found.front(), command);
  if (row.tried.front() == "lxterminal") {  // one argument, which a shell must split back into the words
    // NOLINTNEXTLINE(cert-env33-c): a shell is what must split it
    FILE* shell = popen(("printf '%s\\n' " + line.back()).c_str(), "r");
    line.pop_back();
    line.emplace_back();
    for (int c = std::fgetc(shell); c != EOF; c = std::fgetc(shell)) {
      if (c == '\n') {
        line.emplace_back();
      } else {
        line.back().push_back(static_cast<char>(c));
      }
    }
    line.pop_back();
    pclose(shell);
  }
  ASSERT_GE(line.size(), 1 + row.first_options.size() + command.size());
  EXPECT_EQ(line.front(), path.bin.path(row.tried.front()));
  EXPECT_TRUE(std::equal(row.first_options.begin(), row.first_options.end(), line.begin() + 1));
  EXPECT_TRUE(std::equal(command.rbegin(), command.rend(), line.rbegin()));
}

INSTANTIATE_TEST_SUITE_P(
    OnPath, Terminals,
    testing::Values(
        Found{"lxterminal_one_string", {"lxterminal"}, nullptr, {"lxterminal"}},
        // A terminal the tool does not know is given the usual -e alone.
        Found{"unlisted_by_terminal", {"myterm"}, "myterm", {"myterm"}, {"-e"}},
        Found{"players_options_first", {"xterm"}, "xterm -fn fixed", {"xterm"}, {"-fn", "fixed"}},
        Found{"desktops_order", {"xterm", "konsole"}, nullptr, {"konsole", "xterm"}},
        Found{"players_choice_first", {"xterm", "konsole"}, "xterm", {"xterm", "konsole"}},
        Found{"missing_choice_skipped", {"xterm"}, "nothere", {"xterm"}},
        Found{"link_followed_and_counted_once", {"xterm", "x-terminal-emulator"}, nullptr, {"xterm"}}),
    [](const testing::TestParamInfo<Found>& info) { return info.param.name; });

// Which process holds the writing end of the tool's standard input pipe.
enum class Writer { parent, sibling, child, nobody };

struct Pipe {
  const char* name;
  Writer writer;
  bool launchers;  // whether the tool takes it for a launcher's pipe
};

void PrintTo(const Pipe& pipe_row, std::ostream* os) { *os << pipe_row.name; }

class StandardInputPipe : public testing::TestWithParam<Pipe> {};

// This test is the tool's parent, as a launcher is; a forked "tool" asks
// whether its parent writes to its pipe and says so in its exit status.
TEST_P(StandardInputPipe, IsALaunchersOnlyWhereTheParentHoldsTheWritingEnd) {
  const Writer writer = GetParam().writer;
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  pid_t sibling = -1;
  if (writer == Writer::sibling) {
    sibling = fork();
    if (sibling == 0) {
      close(ends[0]);
      pause();
      _exit(0);
    }
  }
  int go[2];  // the tool looks only once this test holds what the row says
  ASSERT_EQ(pipe(go), 0);
  const pid_t tool = fork();
  if (tool == 0) {
    close(go[1]);
    int release[2] = {-1, -1};
    pid_t holder = -1;
    if (writer == Writer::child && pipe(release) == 0 && (holder = fork()) == 0) {
      char byte = 0;
      close(release[1]);
      (void)read(release[0], &byte, 1);  // holds the writing end until the tool is done
      _exit(0);
    }
    close(ends[1]);
    char byte = 0;
    (void)read(go[0], &byte, 1);
    struct stat in {};
    fstat(ends[0], &in);
    const bool launchers = writes_to(getppid(), in);
    if (holder > 0) {
      close(release[1]);
      waitpid(holder, nullptr, 0);
    }
    _exit(launchers ? 1 : 0);
  }
  if (writer != Writer::parent) {
    close(ends[1]);
  }
  close(go[1]);  // the go-ahead
  close(go[0]);
  int status = 0;
  waitpid(tool, &status, 0);
  if (sibling > 0) {
    kill(sibling, SIGKILL);
    waitpid(sibling, nullptr, 0);
  }
  close(ends[0]);
  if (writer == Writer::parent) {
    close(ends[1]);
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status) == 1, GetParam().launchers);
}

INSTANTIATE_TEST_SUITE_P(Holders, StandardInputPipe,
                         testing::Values(Pipe{"parent_a_launcher", Writer::parent, true},
                                         Pipe{"sibling_in_a_pipeline", Writer::sibling, false},
                                         Pipe{"child_of_the_tool", Writer::child, false},
                                         Pipe{"no_writer_left", Writer::nobody, false}),
                         [](const testing::TestParamInfo<Pipe>& info) { return info.param.name; });

}  // namespace
