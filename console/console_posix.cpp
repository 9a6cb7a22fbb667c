// The terminal: keys in, text out. Keys come from the controlling terminal,
// never from standard input, so a redirected standard input still leaves the
// yes/no answers to the player; text goes out as UTF-8, which terminals here
// take as it stands.

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <initializer_list>
#include <iostream>

#include "console/console_keys.h"
#include "console/keys.h"
#include "console/say.h"

namespace {

int tty = -1;
bool tty_tried = false;
termios found;  // the terminal's settings as we found them, saved once
volatile std::sig_atomic_t changed = 0;
volatile std::sig_atomic_t interrupt_pressed = 0;
// The SIGINT handler writes a byte here, and every wait polls the read end,
// which stays readable: a press just before a wait begins ends it as surely
// as one during it.
int wake[2] = {-1, -1};

void note_interrupt(int /*signal_number*/) {
  const int saved = errno;
  interrupt_pressed = 1;
  (void)!write(wake[1], "", 1);
  errno = saved;
}

// Waits until `fd` can be read (input, its end, or an error for the read to
// report); false once Ctrl-C was pressed.
bool wait_for_input(int fd) {
  for (;;) {
    pollfd watched[2] = {{fd, POLLIN, 0}, {wake[0], POLLIN, 0}};  // a negative fd is left out
    const int ready = poll(watched, 2, -1);
    if (interrupt_pressed != 0) {
      return false;
    }
    if (ready > 0 || errno != EINTR) {
      return true;
    }
  }
}

void restore_terminal() {
  if (changed != 0) {
    tcsetattr(tty, TCSANOW, &found);
    changed = 0;
  }
}

void restore_and_die(int signal_number) {
  restore_terminal();
  (void)std::signal(signal_number, SIG_DFL);
  (void)std::raise(signal_number);
}

// Every way out leaves the terminal as it was: a normal exit through the
// atexit hook, a kill through the signal handlers. SIGINT is not among them:
// catch_interrupts turns it into an orderly end.
void install_restore_hooks() {
  (void)std::atexit(restore_terminal);
  for (const int signal_number : {SIGHUP, SIGQUIT, SIGTERM}) {
    struct sigaction action {};
    sigaction(signal_number, nullptr, &action);
    if (action.sa_handler == SIG_IGN) {
      continue;  // e.g. SIGHUP under nohup: keep ignoring it
    }
    action.sa_handler = restore_and_die;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace

bool begin_console_keys() {
  if (!tty_tried) {
    tty_tried = true;
    tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty >= 0 && tcgetattr(tty, &found) != 0) {
      close(tty);
      tty = -1;
    }
    if (tty >= 0) {
      install_restore_hooks();
    }
  }
  if (tty < 0) {
    return false;
  }
  termios keys = found;
  keys.c_lflag &= ~static_cast<tcflag_t>(ICANON);  // each key at once, no waiting for Enter
  keys.c_lflag &= ~static_cast<tcflag_t>(ECHO);    // answers are not shown
  keys.c_lflag &= ~static_cast<tcflag_t>(ISIG);  // Ctrl-C arrives as code 3, for the dialogue to end in order
  keys.c_iflag &= ~static_cast<tcflag_t>(IXON);  // Ctrl-S is a key, not a freeze of the output until Ctrl-Q
  keys.c_cc[VMIN] = 1;                           // a read returns after exactly one byte...
  keys.c_cc[VTIME] = 0;                          // ...however long the player takes
  changed = 1;
  // TCSANOW, not TCSAFLUSH: a key typed ahead still answers the question.
  tcsetattr(tty, TCSANOW, &keys);
  return true;
}

int read_console_key() {
  for (;;) {
    if (!wait_for_input(tty)) {
      return key_interrupted;  // SIGINT from outside, e.g. kill -INT
    }
    unsigned char key = 0;
    const ssize_t got = read(tty, &key, 1);
    if (got == 1) {
      return key;
    }
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
      continue;
    }
    return key_ended;  // the terminal hung up
  }
}

std::size_t read_standard_input(char* bytes, std::size_t count) {
  for (;;) {
    if (!wait_for_input(STDIN_FILENO)) {
      return 0;
    }
    const ssize_t got = read(STDIN_FILENO, bytes, count);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
      continue;
    }
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  }
}

// The rest of a multi-byte key (an arrow sends ESC [ A) would otherwise be
// read by the shell once the tool ends.
void drop_pending_keys() { tcflush(tty, TCIFLUSH); }

void end_console_keys() { restore_terminal(); }

void catch_interrupts(void (* /*before_forced_end: Windows only*/)()) {
  struct sigaction action {};
  sigaction(SIGINT, nullptr, &action);
  if (action.sa_handler == SIG_IGN) {
    return;  // started in the background by a shell: Ctrl-C is not ours
  }
  // Non-blocking, so that the handler never waits on a full pipe.
  if (pipe(wake) != 0) {
    return;  // Ctrl-C then ends the process, as it would without us
  }
  for (const int end : wake) {
    (void)fcntl(end, F_SETFD, FD_CLOEXEC);
    (void)fcntl(end, F_SETFL, O_NONBLOCK);
  }
  action.sa_handler = note_interrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // the waits learn of it through the pipe
  sigaction(SIGINT, &action, nullptr);
}

void forget_interrupt() {
  char drained[64];
  while (read(wake[0], drained, sizeof drained) > 0) {
  }
  interrupt_pressed = 0;
}

bool interrupted() { return interrupt_pressed != 0; }

bool input_ended_by_interrupt() { return interrupted(); }

std::size_t output_columns() {
  winsize size{};
  return ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

void say_verbatim(std::string_view text) { std::cout << text << '\n' << std::flush; }
