// The tool at a real (pseudo-)terminal: yes/no keys are read one at a time
// without echo, other keys are ignored, Ctrl-C and end of input end the run in
// order, and the terminal is left exactly as it was found.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "e2e/transcript.h"
#include "support/scratch.h"
#include "support/stand_in.h"

namespace {

using namespace transcript;
using Clock = std::chrono::steady_clock;

// What a terminal shows for the tool's text: its output processing turns each
// line end into CR LF.
std::string on_screen(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    shown += c == '\n' ? std::string("\r\n") : std::string(1, c);
  }
  return shown;
}

bool same_settings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::equal(a.c_cc, a.c_cc + NCCS, b.c_cc);
}

// The tool running in a scratch folder on a fresh pseudo-terminal of its own.
class AtTerminal : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(write_stand_in(folder.path("Halvane.exe")));
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
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
      execl(HALVANE_RES_PATH, HALVANE_RES_PATH, static_cast<char*>(nullptr));
      _exit(127);
    }
  }

  void TearDown() override {
    if (child > 0 && !ended) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
    if (master >= 0) {
      close(master);
    }
    close(slave);
  }

  // Reads what the tool shows until `text` has appeared; false on timeout.
  bool wait_for(const std::string& text) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (screen.find(text, seen) == std::string::npos) {
      if (!read_some(deadline)) {
        return false;
      }
    }
    seen = screen.find(text, seen) + text.size();
    return true;
  }

  // Waits until the tool has put the terminal into single-key mode, so that
  // keys sent now are taken by the yes/no wait, not echoed by the line editor.
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
  int finish() {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
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
    for (const char* size : {"1920\n", "1080\n", "0\n", "0\n", "1920\n"}) {
      ASSERT_TRUE(wait_for("for no change"));
      type(size);
    }
    ASSERT_TRUE(wait_for(on_screen(font_question)));
  }

  ScratchFolder folder;
  int master = -1;
  int slave = -1;
  termios found{};
  pid_t child = -1;
  bool ended = false;
  std::string screen;
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
    screen.append(piece, static_cast<std::size_t>(got));
    return true;
  }
};

TEST_F(AtTerminal, KeysAreNotEchoedOtherKeysIgnoredAndTheTerminalRestored) {
  answer_sizes();
  const std::size_t keys_start = seen;
  ASSERT_TRUE(wait_for_key_mode());
  type("xYN5\r");
  type("y");
  ASSERT_TRUE(wait_for(on_screen(confirm)));
  ASSERT_TRUE(wait_for_key_mode());
  type("y");
  ASSERT_TRUE(wait_for(on_screen(font_write_question)));
  ASSERT_TRUE(wait_for_key_mode());
  type("y");
  ASSERT_TRUE(wait_for(on_screen(closing)));
  ASSERT_TRUE(wait_for_key_mode());
  type("q");
  EXPECT_EQ(finish(), 0);
  // Nothing but the tool's own text after the font question: no key was echoed.
  EXPECT_EQ(screen.substr(keys_start), on_screen(confirm + font_write_question + finished + closing));
  termios left{};
  ASSERT_EQ(tcgetattr(slave, &left), 0);
  EXPECT_TRUE(same_settings(found, left));
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

class AtTerminalCtrlC : public AtTerminal, public testing::WithParamInterface<CtrlCAt> {};

TEST_P(AtTerminalCtrlC, EndsInOrderWritesNothingUnconfirmedAndRestoresTheTerminal) {
  const CtrlCAt& at = GetParam();
  const std::string next_prompt[] = {confirm, font_write_question, closing};
  answer_sizes();
  for (int i = 0; i < at.answered; ++i) {
    ASSERT_TRUE(wait_for_key_mode());
    type("y");
    ASSERT_TRUE(wait_for(on_screen(next_prompt[i])));
  }
  ASSERT_TRUE(wait_for_key_mode());
  type("\x03");
  EXPECT_EQ(finish(), at.status);
  EXPECT_EQ(screen.substr(seen), on_screen(at.last_line));
  termios left{};
  ASSERT_EQ(tcgetattr(slave, &left), 0);
  EXPECT_TRUE(same_settings(found, left));
  std::string expected = stand_in_bytes();
  if (at.answered >= 2) {
    expected = sizes_written(expected);
  }
  if (at.answered >= 3) {
    expected = with_name(expected, font_offset, "Geneva");
  }
  EXPECT_TRUE(read_file(folder.path("Halvane.exe")) == expected);
}

INSTANTIATE_TEST_SUITE_P(EachKeyWait, AtTerminalCtrlC,
                         testing::Values(CtrlCAt{"font_question", 0, 130, interrupted_unchanged},
                                         CtrlCAt{"confirmation", 1, 130, interrupted_unchanged},
                                         CtrlCAt{"font_write", 2, 130, interrupted_font},
                                         CtrlCAt{"closing_key", 3, 0, ""}),
                         [](const testing::TestParamInfo<CtrlCAt>& info) { return info.param.name; });

TEST_F(AtTerminal, EndOfInputAtANumberQuestionChangesNothing) {
  ASSERT_TRUE(wait_for("for no change"));
  type("1920\n");
  ASSERT_TRUE(wait_for("for no change"));
  type("\x04");  // Ctrl-D at the start of a line: end of input
  EXPECT_EQ(finish(), 1);
  EXPECT_NE(screen.find(on_screen(ended_unchanged), seen), std::string::npos);
  EXPECT_TRUE(read_file(folder.path("Halvane.exe")) == stand_in_bytes());
}

TEST_F(AtTerminal, HangUpAtAKeyWaitEndsTheRunWithoutWriting) {
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

}  // namespace
