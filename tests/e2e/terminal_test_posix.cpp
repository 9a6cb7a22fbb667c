// The tool at a real (pseudo-)terminal: yes/no keys are read one at a time
// without echo, other keys are ignored, Ctrl-C and end of input end the run in
// order, and the terminal is left exactly as it was found. The Windows build
// runs here too, as wine64 halvane-res.exe: Wine's console then reads its keys
// from the terminal and draws its output there, so _getch, special keys and
// Ctrl-C meet a real console.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <tuple>

#include "e2e/transcript.h"
#include "support/scratch.h"
#include "support/stand_in.h"
#include "support/windows_build.h"

namespace {

using namespace transcript;
using Clock = std::chrono::steady_clock;

// Which build runs: the native one, or the Windows one under Wine's console.
struct Build {
  const char* name;
  bool wine;
};

void PrintTo(const Build& build, std::ostream* os) { *os << build.name; }

const Build native{"native", false};
const Build windows{"windows_under_wine", true};
const std::string windows_exe = windows_build + "/halvane-res.exe";

// What a terminal shows for the tool's text: its output processing turns each
// line end into CR LF.
std::string on_screen(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    shown += c == '\n' ? std::string("\r\n") : std::string(1, c);
  }
  return shown;
}

// The text of what was drawn, without the control sequences that Wine's
// console draws it with: it hides the cursor around each character, writes a
// space as "erase, move one right", and ends lines with CR CR LF.
std::string visible(const std::string& drawn) {
  std::string text;
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    if (drawn[i] != '\x1b') {
      text += drawn[i];
      continue;
    }
    const std::size_t end = drawn.find_first_not_of("[?0123456789;", i + 1);
    if (end == std::string::npos) {
      break;  // a sequence not yet whole
    }
    if (drawn[end] == 'C') {
      text.append(static_cast<std::size_t>(std::strtoul(drawn.c_str() + i + 2, nullptr, 10)), ' ');
    }
    i = end;
  }
  for (std::size_t at = text.find("\r\r\n"); at != std::string::npos; at = text.find("\r\r\n", at)) {
    text.erase(at, 1);
  }
  return text;
}

bool same_settings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::equal(a.c_cc, a.c_cc + NCCS, b.c_cc);
}

// The tool running in a scratch folder on a fresh pseudo-terminal of its own.
class TerminalRun {
 protected:
  // Starts the build; false (with the reason given to the test) when the
  // Windows build or Wine is not there.
  void start(const Build& build, const char* language = nullptr, unsigned short columns = 200) {
    wine = build.wine;
    if (wine && !windows_build_has("halvane-res.exe")) {
      return;
    }
    ASSERT_TRUE(write_stand_in(folder.path("Halvane.exe")));
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const winsize size{50, columns, 0, 0};  // 200 by default: wide enough that no message wraps
    ioctl(master, TIOCSWINSZ, &size);
    ASSERT_EQ(tcgetattr(slave, &found), 0);
    child = fork();
    if (child == 0) {
      setsid();
      ioctl(slave, TIOCSCTTY, 0);
      dup2(slave, 0);
      dup2(slave, 1);
      dup2(slave, 2);
      close(master);
      close(slave);
      if (chdir(folder.root.c_str()) != 0) {
        _exit(126);
      }
      if (build.wine) {
        setenv("WINEPREFIX", (windows_build + "/wine-prefix").c_str(), 1);
        setenv("WINEDEBUG", "-all", 1);
        if (language != nullptr) {
          setenv("LANG", language, 1);
        }
        execl(WINE64_PATH, WINE64_PATH, windows_exe.c_str(), static_cast<char*>(nullptr));
      } else {
        execl(HALVANE_RES_PATH, HALVANE_RES_PATH, static_cast<char*>(nullptr));
      }
      _exit(127);
    }
  }

  ~TerminalRun() {
    if (child > 0 && !ended) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
    if (master >= 0) {
      close(master);
    }
    if (slave >= 0) {
      close(slave);
    }
  }

  // Reads what the tool shows until `text` has appeared; false on timeout,
  // saying what was awaited and what was shown, within CTest's own timeout.
  // Wine's prefix is made before the tests, but a start can still be slow.
  bool wait_for(const std::string& text) {
    const auto deadline = Clock::now() + std::chrono::seconds(wine ? 60 : 20);
    while (screen.find(text, seen) == std::string::npos) {
      if (!read_some(deadline)) {
        ADD_FAILURE() << "waited for \"" << text << "\"; the screen shows:\n" << screen;
        return false;
      }
    }
    seen = screen.find(text, seen) + text.size();
    return true;
  }

  // Waits until the tool has put the terminal into single-key mode, so that
  // keys sent now are taken by the yes/no wait, not echoed by the line editor.
  // Wine's console sets the terminal so once the program first reads, and
  // does its own line editing from then on.
  bool wait_for_key_mode() {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    termios now{};
    while (tcgetattr(slave, &now) == 0 && (now.c_lflag & ICANON) != 0) {
      if (Clock::now() > deadline) {
        return false;
      }
      poll(nullptr, 0, 1);
    }
    return true;
  }

  void type(const std::string& keys) {
    ASSERT_EQ(write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }

  // Waits for the tool to end, collecting the rest of what it shows; its exit
  // status, or -1 when it was killed by a signal or did not end in time.
  int finish(std::chrono::milliseconds within = std::chrono::seconds(20)) {
    const auto deadline = Clock::now() + within;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline) {
        return -1;
      }
      read_some(Clock::now() + std::chrono::milliseconds(10));
    }
    ended = true;
    while (read_some(Clock::now())) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void answer_sizes() {
    for (const char* size : {"1920\r", "1080\r", "0\r", "0\r", "1920\r"}) {
      ASSERT_TRUE(wait_for("for no change"));
      ASSERT_TRUE(!wine || wait_for_key_mode());
      type(size);
    }
    ASSERT_TRUE(wait_for(on_screen(font_question)));
  }

  // The terminal left as the tool found it. Under Wine that is Wine's doing.
  void expect_terminal_restored() {
    termios left{};
    ASSERT_EQ(tcgetattr(slave, &left), 0);
    EXPECT_TRUE(wine || same_settings(found, left));
  }

  ScratchFolder folder;
  bool wine = false;
  int master = -1;
  int slave = -1;
  termios found{};
  pid_t child = -1;
  bool ended = false;
  std::string drawn;   // as the tool sent it
  std::string screen;  // its visible text
  std::size_t seen = 0;

 private:
  bool read_some(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd watched{master, POLLIN, 0};
    if (poll(&watched, 1, static_cast<int>(std::max<long long>(0, left.count()))) <= 0) {
      return false;
    }
    char piece[4096];
    const ssize_t got = read(master, piece, sizeof piece);
    if (got <= 0) {
      return false;
    }
    drawn.append(piece, static_cast<std::size_t>(got));
    screen = visible(drawn);
    return true;
  }
};

class AtTerminal : public TerminalRun, public testing::TestWithParam<Build> {
 protected:
  void SetUp() override { start(GetParam()); }
};

TEST_P(AtTerminal, KeysAreNotEchoedOtherKeysIgnoredAndTheTerminalRestored) {
  answer_sizes();
  const std::size_t keys_start = seen;
  ASSERT_TRUE(wait_for_key_mode());
  termios keys{};
  ASSERT_EQ(tcgetattr(slave, &keys), 0);
  EXPECT_TRUE(wine || (keys.c_iflag & IXON) == 0) << "Ctrl-S would freeze the output";
  type("xYN5\r");
  type("\x1b[A");  // an arrow key: several codes
  type("\x1bOP");  // F1
  type("y");
  ASSERT_TRUE(wait_for(on_screen(confirm)));
  ASSERT_TRUE(wait_for_key_mode());
  type("y");
  ASSERT_TRUE(wait_for(on_screen(font_write_question)));
  ASSERT_TRUE(wait_for_key_mode());
  type("y\r");  // Enter by habit, typed before the closing prompt is shown
  ASSERT_TRUE(wait_for(on_screen(closing)));
  ASSERT_TRUE(wait_for_key_mode());
  EXPECT_EQ(finish(std::chrono::milliseconds(500)), -1) << "a key typed ahead closed the last prompt";
  type("\x1b[A");  // the closing key sends three codes; none may reach the shell
  EXPECT_EQ(finish(), 0);
  int pending = -1;
  ASSERT_EQ(ioctl(slave, FIONREAD, &pending), 0);
  EXPECT_EQ(pending, 0) << "codes of the closing key left for the shell";
  // Nothing but the tool's own text after the font question: no key was echoed.
  EXPECT_EQ(screen.substr(keys_start), on_screen(confirm + font_write_question + finished + closing));
  expect_terminal_restored();
  std::string expected = stand_in_bytes();
  expected = sizes_written(expected);
  EXPECT_TRUE(read_file(folder.path("Halvane.exe")) == with_name(expected, font_offset, "Geneva"));
}

// Ctrl-C at each key wait in turn, after 'y' at the ones before it.
struct CtrlCAt {
  const char* name;
  int answered;  // yes/no questions answered before Ctrl-C
  int status;
  std::string last_line;
};

void PrintTo(const CtrlCAt& at, std::ostream* os) { *os << at.name; }

class AtTerminalCtrlC : public TerminalRun, public testing::TestWithParam<std::tuple<Build, CtrlCAt>> {
 protected:
  void SetUp() override { start(std::get<0>(GetParam())); }
};

TEST_P(AtTerminalCtrlC, EndsInOrderWritesNothingUnconfirmedAndRestoresTheTerminal) {
  const CtrlCAt& at = std::get<1>(GetParam());
  const std::string next_prompt[] = {confirm, font_write_question, closing};
  if (at.answered < 0) {
    ASSERT_TRUE(wait_for("for no change"));
  } else {
    answer_sizes();
  }
  for (int i = 0; i < at.answered; ++i) {
    ASSERT_TRUE(wait_for_key_mode());
    type("y");
    ASSERT_TRUE(wait_for(on_screen(next_prompt[i])));
  }
  ASSERT_TRUE((at.answered < 0 && !wine) || wait_for_key_mode());
  type("\x03");
  // Under Wine's console the tool is alone on it, as after a double-click on
  // Windows, so its last words stay until a key: Ctrl-C again, here.
  const bool last_words_wait = wine && at.answered < 3;
  if (last_words_wait) {
    ASSERT_TRUE(wait_for(on_screen(closing)));
    ASSERT_TRUE(wait_for_key_mode());
    type("\x03");
  }
  EXPECT_EQ(finish(), at.status);
  // At a number question the terminal may echo ^C first.
  if (!at.last_line.empty()) {
    const std::string last_words = on_screen(last_words_wait ? at.last_line + closing : at.last_line);
    EXPECT_EQ(mismatch(last_lines(screen, last_words_wait ? 2 : 1), last_words), "");
  }
  expect_terminal_restored();
  std::string expected = stand_in_bytes();
  if (at.answered >= 2) {
    expected = sizes_written(expected);
  }
  if (at.answered >= 3) {
    expected = with_name(expected, font_offset, "Geneva");
  }
  EXPECT_TRUE(read_file(folder.path("Halvane.exe")) == expected);
}

INSTANTIATE_TEST_SUITE_P(
    EachWait, AtTerminalCtrlC,
    testing::Combine(testing::Values(native, windows),
                     testing::Values(CtrlCAt{"number_question", -1, 130, interrupted_unchanged},
                                     CtrlCAt{"font_question", 0, 130, interrupted_unchanged},
                                     CtrlCAt{"confirmation", 1, 130, interrupted_unchanged},
                                     CtrlCAt{"font_write", 2, 130, interrupted_font},
                                     CtrlCAt{"closing_key", 3, 0, ""})),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
    });

INSTANTIATE_TEST_SUITE_P(Builds, AtTerminal, testing::Values(native, windows),
                         [](const testing::TestParamInfo<Build>& info) { return info.param.name; });

// 'y' typed twice at the font question answers the confirmation too, unless
// a warning about the only copy (no backup: Halvane.bak is a folder) stands
// above it; then a key pressed after it does.
class TypedAhead : public TerminalRun, public testing::TestWithParam<std::tuple<Build, bool>> {
 protected:
  void SetUp() override {
    if (std::get<1>(GetParam())) {
      std::filesystem::create_directory(folder.path("Halvane.bak"));
    }
    start(std::get<0>(GetParam()));
  }
};

TEST_P(TypedAhead, AnswersTheConfirmationOnlyWhereNoWarningStandsAboveIt) {
  answer_sizes();
  ASSERT_TRUE(wait_for_key_mode());
  type("yy");
  ASSERT_TRUE(wait_for(on_screen(confirm)));
  type(std::get<1>(GetParam()) ? "y" : "");
  ASSERT_TRUE(wait_for(on_screen(font_write_question)));
  type("n");
  ASSERT_TRUE(wait_for(on_screen(closing)));
  type("a");
  EXPECT_EQ(finish(), 0);
  EXPECT_TRUE(read_file(folder.path("Halvane.exe")) == sizes_written(stand_in_bytes()));
}

INSTANTIATE_TEST_SUITE_P(Builds, TypedAhead,
                         testing::Combine(testing::Values(native, windows), testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "_warned" : "");
                         });

// A run of one build started on a terminal `columns` wide, in `language`,
// with a leftover beside the game that won't go (so that the backup's line
// carries the system's words), before the test's body.
constexpr char russian[] = "ru_RU.UTF-8";
template <const Build& build, unsigned short columns = 200, bool stuck_leftover = false,
          const char* language = nullptr>
class Started : public TerminalRun, public testing::Test {
 protected:
  void SetUp() override {
    if (stuck_leftover) {
      std::filesystem::create_directory(folder.path("Halvane.bak.partial"));
    }
    start(build, language, columns);
  }
};

// What only the native build can be put through here.
using AtNativeTerminal = Started<native>;

TEST_F(AtNativeTerminal, EndOfInputAtANumberQuestionChangesNothing) {
  ASSERT_TRUE(wait_for("for no change"));
  type("1920\r");
  ASSERT_TRUE(wait_for("for no change"));
  type("\x04");  // Ctrl-D at the start of a line: end of input
  EXPECT_EQ(finish(), 1);
  EXPECT_TRUE(says(screen.substr(seen), ended_unchanged)) << screen;
  EXPECT_TRUE(read_file(folder.path("Halvane.exe")) == stand_in_bytes());
}

TEST_F(AtNativeTerminal, HangUpAtAKeyWaitEndsTheRunWithoutWriting) {
  answer_sizes();
  ASSERT_TRUE(wait_for_key_mode());
  close(master);  // the terminal goes away
  master = -1;
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  pid_t done = 0;
  while ((done = waitpid(child, nullptr, WNOHANG)) == 0 && Clock::now() < deadline) {
    poll(nullptr, 0, 5);
  }
  ended = done == child;
  EXPECT_TRUE(ended) << "the tool must not wait forever for a terminal that is gone";
  EXPECT_TRUE(read_file(folder.path("Halvane.exe")) == stand_in_bytes());
}

// Alone on Wine's console on an 80-column terminal: a console with no window
// of its own, as a pseudo-console is, is never widened. The terminal's width
// is the player's, and the 87-character question breaks at column 80.
using AtNarrowWineConsole = Started<windows, 80>;

TEST_F(AtNarrowWineConsole, IsLeftAsItWasFound) {
  answer_sizes();
  ASSERT_TRUE(wait_for_key_mode());
  type("y");
  ASSERT_TRUE(wait_for(on_screen(confirm)));
  type("y");
  const std::size_t asked = seen;
  ASSERT_TRUE(wait_for("leave unc"));
  ASSERT_TRUE(wait_for("hanged."));
  EXPECT_EQ(screen.find(on_screen(font_write_question), asked), std::string::npos) << "widened";
  type("n");
  ASSERT_TRUE(wait_for(on_screen(finished + closing)));
  type("a");
  EXPECT_EQ(finish(), 0);
  EXPECT_TRUE(read_file(folder.path("Halvane.exe")) == sizes_written(stand_in_bytes()));
}

// A terminal narrower than any console, as QTerminal opens at its own size (58 columns):
// the tool's own lines are broken at its width, the cause whole.
using AtNarrowTerminal = Started<native, 58, true>;

TEST_F(AtNarrowTerminal, BreaksTheToolsOwnLinesAtItsWidth) {
  ASSERT_TRUE(wait_for("for no change"));
  const std::size_t start = screen.find("I couldn't make a backup");
  const std::string said = screen.substr(start, screen.find("\r\n\r\n", start) - start);
  EXPECT_TRUE(says(said, backup_failed("Is a directory"))) << said;
  std::istringstream lines(said);
  for (std::string line; std::getline(lines, line, '\r');) {
    EXPECT_LE(line.size() - (line[0] == '\n' ? 1 : 0), 57U) << said;
  }
}

// The system's own words in the player's language: Wine's console in a
// Russian locale shows them in Cyrillic, with no letters of another code page.
using AtRussianConsole = Started<windows, 200, true, russian>;

TEST_F(AtRussianConsole, SystemTextArrivesInCyrillic) {
  const std::string head = "could not be removed:";
  ASSERT_TRUE(wait_for("Nothing is changed unless you confirm below."));
  const std::size_t start = screen.find(head) + head.size();
  const std::string words = screen.substr(start, screen.find("Nothing is changed", start) - start);
  // In UTF-8 a Cyrillic letter leads with 0xD0 or 0xD1; any other lead byte
  // would be a letter of the wrong code page.
  const auto leads = [&words](unsigned char low, unsigned char high) {
    return std::count_if(words.begin(), words.end(), [=](char c) {
      return static_cast<unsigned char>(c) >= low && static_cast<unsigned char>(c) <= high;
    });
  };
  EXPECT_GT(leads(0xD0, 0xD1), 3) << words;
  EXPECT_EQ(leads(0xC0, 0xFF), leads(0xD0, 0xD1)) << words;
}

}  // namespace
