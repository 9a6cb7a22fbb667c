// A file manager on a Linux desktop starts a double-clicked program with no
// terminal: standard input /dev/null (GNOME Files, Thunar, Nemo, Caja,
// PCManFM) or an idle pipe (KDE's Dolphin), output to the session's log (the
// journal, or a plain file such as ~/.xsession-errors). The tool then runs
// again in a terminal emulator's window. macOS's Finder opens a
// double-clicked program in Terminal itself.

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "window/window.h"

#if defined(__linux__)
#include <sys/random.h>

#include "window/terminals_posix.h"
#endif

namespace {

bool set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// Carried by the run in the window that the tool opened, so that it never
// opens another and knows that its window closes with it. Its value names
// where the first run waits for word that the window has opened.
constexpr char own_window_marker[] = "HALVANE_RES_OWN_WINDOW";

#if defined(__linux__)

using Clock = std::chrono::steady_clock;

// How long a terminal may take to show the window before the next is tried:
// gnome-terminal's server, say, starting on a slow disk.
constexpr auto window_bound = std::chrono::seconds(10);
constexpr char window_opened = 'y';

// Whether our parent holds a writing end of the pipe `in`, as read from
// /proc: each of its open descriptors that is that pipe, and the access mode
// in its fdinfo.
bool parent_writes_to(const struct stat& in) {
  const std::string folder = "/proc/" + std::to_string(getppid());
  DIR* const descriptors = opendir((folder + "/fd").c_str());
  if (descriptors == nullptr) {
    return false;  // another account's parent: not ours to look at
  }
  bool writes = false;
  while (const dirent* entry = readdir(descriptors)) {
    struct stat found {};
    if (writes || fstatat(dirfd(descriptors), entry->d_name, &found, 0) != 0 || found.st_dev != in.st_dev ||
        found.st_ino != in.st_ino) {
      continue;
    }
    std::ifstream info(folder + "/fdinfo/" + entry->d_name);
    std::string field;
    unsigned long flags = 0;
    while (info >> field && field != "flags:") {
    }
    writes = static_cast<bool>(info >> std::oct >> flags) && (flags & O_ACCMODE) != O_RDONLY;
  }
  closedir(descriptors);
  return writes;
}

// KDE's launcher (KIO, behind Dolphin, the desktop's icons and KRunner)
// starts a program through QProcess, which gives its standard input a pipe
// of its own: the launcher, our parent, holds the writing end and never
// writes to it or closes it. A script's pipe is written by another program
// of its pipeline, our sibling: the shell that started both has closed its
// ends. A program that pipes answers to a child of its own (a test harness,
// Python's subprocess) writes them at once; so a pipe is a launcher's when
// our parent holds its writing end and nothing arrives for 100 ms.
bool launchers_idle_pipe(const struct stat& in) {
  if (!parent_writes_to(in)) {
    return false;
  }
  pollfd input{STDIN_FILENO, POLLIN, 0};
  return poll(&input, 1, 100) == 0;  // data, or every writer gone (POLLHUP), is a script's
}

// No controlling terminal, and standard input gives no answers: it is
// /dev/null, closed, or a launcher's idle pipe. Where the output goes does
// not count: a desktop session sends it to its log.
bool nobody_to_talk_to() {
  const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty >= 0) {
    close(tty);
    return false;
  }
  struct stat in {};
  if (fstat(STDIN_FILENO, &in) != 0) {
    return true;
  }
  if (S_ISREG(in.st_mode)) {
    return false;
  }
  return !S_ISFIFO(in.st_mode) || launchers_idle_pipe(in);
}

// Where the window's run reports: a socket in the abstract namespace, which
// leaves no file behind however the first run ends, under a name no other
// program can guess. Terminals that hand the window to a running instance
// of theirs pass neither open descriptors nor, reliably, the environment:
// the name travels in the command itself.
sockaddr_un report_address(const std::string& name, socklen_t& length) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::size_t size = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), size);  // sun_path[0] stays 0: abstract
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
  return address;
}

// A peer of the same account: another user's program cannot stand in for
// either run.
bool same_account(int connection) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid();
}

// Listens for the window's report under a fresh name; -1 if it cannot.
int listen_for_window(std::string& name) {
  unsigned char random[12] = {};
  if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
    return -1;
  }
  name = "halvane-res-" + std::to_string(getpid()) + "-";
  for (const unsigned char byte : random) {
    name += "0123456789abcdef"[byte >> 4];
    name += "0123456789abcdef"[byte & 15];
  }
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  socklen_t length = 0;
  const sockaddr_un address = report_address(name, length);
  if (listener < 0 || bind(listener, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
      listen(listener, 4) != 0) {
    if (listener >= 0) {
      close(listener);
    }
    return -1;
  }
  return listener;
}

// Lets one window that has reported go on. A window that reported but has
// gone again does not count.
bool let_window_run(int listener) {
  const int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (connection < 0) {
    return false;
  }
  const bool told = same_account(connection) && send(connection, &window_opened, 1, MSG_NOSIGNAL) == 1;
  close(connection);
  return told;
}

// Starts a program (its path first), in a session of its own where it is
// to outlive this process; its pid, or -1.
pid_t start(const std::vector<std::string>& command, bool own_session) {
  std::vector<char*> arguments;
  arguments.reserve(command.size() + 1);
  for (const std::string& argument : command) {
    arguments.push_back(const_cast<char*>(argument.c_str()));
  }
  arguments.push_back(nullptr);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  (void)posix_spawnattr_setflags(&attributes, own_session ? POSIX_SPAWN_SETSID : 0);
  pid_t started = -1;
  if (posix_spawn(&started, command.front().c_str(), nullptr, &attributes, arguments.data(), environ) != 0) {
    started = -1;
  }
  posix_spawnattr_destroy(&attributes);
  return started;
}

// Whether the window of `terminal` reports within the bound. A terminal that
// exits with a failure has shown nothing; one that exits with success at
// once (a launcher that hands the window to a running instance) may still
// report. The report ends the wait the moment it comes.
bool window_reports(int listener, pid_t terminal) {
  const auto deadline = Clock::now() + window_bound;
  bool running = true;
  while (Clock::now() < deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd report{listener, POLLIN, 0};
    // While the terminal runs, a glance at it every 50 ms: one that failed is
    // left at once.
    if (poll(&report, 1, static_cast<int>(running ? std::min<long long>(left, 50) : left)) > 0 &&
        let_window_run(listener)) {
      return true;
    }
    int status = 0;
    if (running && waitpid(terminal, &status, WNOHANG) == terminal) {
      running = false;
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return false;
      }
    }
  }
  return false;
}

// The run in the window: reports to the first run and waits for its word to
// go on. A window that comes after the first run gave up on it, or after
// another window was let run, is refused or cut off, and ends.
bool report_to_first_run(const std::string& name) {
  const int connection = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  socklen_t length = 0;
  const sockaddr_un address = report_address(name, length);
  bool may_run = false;
  if (connection >= 0 && connect(connection, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
      same_account(connection)) {
    pollfd word{connection, POLLIN, 0};
    char got = 0;
    may_run = poll(&word, 1, static_cast<int>(std::chrono::milliseconds(window_bound).count())) > 0 &&
              read(connection, &got, 1) == 1 && got == window_opened;
  }
  if (connection >= 0) {
    close(connection);
  }
  return may_run;
}

// Says on screen what the session log alone would hide: in a message box of
// whatever the desktop has, waiting until the player has closed it. zenity
// comes with GNOME, Xfce, Cinnamon, MATE and SteamOS (Steam uses it), kdialog
// with KDE Plasma, xmessage with almost any X server; a notification, which
// may pass unseen, is the last resort. One box is enough: the first tool
// that showed one ends the search, however it was closed (Esc makes zenity
// and kdialog exit with 1). A tool that exits with a failure at once could
// not reach the display; a shown box stays up longer, until a person has
// read it.
void show_message_box(const std::string& text) {
  const std::vector<std::vector<std::string>> boxes = {
      {"zenity", "--error", "--title=halvane-res", "--text=" + text},                        // zenity(1)
      {"kdialog", "--title", "halvane-res", "--error", text},                                // kdialog --help
      {"xmessage", "-center", "-buttons", "OK:0", "-default", "OK", text},                   // xmessage(1)
      {"notify-send", "--urgency=critical", "--app-name=halvane-res", "halvane-res", text},  // notify-send(1)
  };
  constexpr auto read_by_a_person = std::chrono::milliseconds(500);
  for (auto box : boxes) {
    box.front() = on_path(box.front());
    const auto shown_at = Clock::now();
    const pid_t shown = box.front().empty() ? -1 : start(box, false);
    int status = 0;
    if (shown > 0 && waitpid(shown, &status, 0) == shown &&
        ((WIFEXITED(status) && WEXITSTATUS(status) == 0) || Clock::now() - shown_at >= read_by_a_person)) {
      return;
    }
  }
}

// No window could be opened: said on standard error (the session log) and on
// screen, with what to do.
void say_no_window(const std::vector<std::string>& tried, const std::string& tool) {
  std::string cause = "found no terminal emulator to open one";
  if (!tried.empty()) {
    std::string names;
    for (const std::string& program : tried) {
      names += (names.empty() ? "" : ", ") + base_name(program);
    }
    cause = "no terminal emulator I tried (" + names + ") opened one";
  }
  const std::string reason = "I need a terminal window to ask my questions, and " + cause + ":";
  const std::string remedy =
      std::string(tried.empty() ? "install one" : "install another") +
      " (xterm, konsole or gnome-terminal, say), or open a terminal in the game's folder and "
      "run ./" +
      base_name(tool) + " there.";
  std::cerr << reason << ' ' << remedy << '\n' << std::flush;
  show_message_box(reason + '\n' + remedy);
}
#endif

}  // namespace

WindowLook look_for_window() {
#if defined(__linux__)
  if (set(own_window_marker)) {
    return WindowLook::own_window;
  }
  if (set("CI") || !(set("DISPLAY") || set("WAYLAND_DISPLAY")) || !nobody_to_talk_to()) {
    return WindowLook::here;
  }
  return WindowLook::wanted;
#else
  return WindowLook::here;
#endif
}

std::string tool_path(const char* started_as) {
  if (started_as != nullptr && std::strchr(started_as, '/') != nullptr) {
    if (started_as[0] == '/') {
      return started_as;
    }
    char here[PATH_MAX] = {};
    return getcwd(here, sizeof here) != nullptr ? std::string(here) + "/" + started_as : "";
  }
  char path[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : "";
}

bool open_own_window(const std::string& tool) {
#if defined(__linux__)
  std::vector<std::string> tried;
  for (const FoundTerminal& terminal : terminals_found()) {
    // Each terminal's window reports under a name of its own: one that comes
    // after the tool gave up on it finds nobody listening.
    std::string name;
    const int listener = tool.empty() ? -1 : listen_for_window(name);
    if (listener < 0) {
      break;
    }
    tried.push_back(terminal.program);
    // env(1) sets the marker inside the window, whatever the terminal passes on.
    const pid_t started = start(
        command_line(terminal, {"/usr/bin/env", std::string(own_window_marker) + "=" + name, tool}), true);
    const bool reported = started > 0 && window_reports(listener, started);
    close(listener);
    if (reported) {
      return true;
    }
  }
  say_no_window(tried, tool);
#else
  (void)tool;
#endif
  return false;
}

bool window_may_run() {
#if defined(__linux__)
  const char* report = std::getenv(own_window_marker);
  if (report != nullptr && report_to_first_run(report)) {
    return true;
  }
  std::cerr << "This window came too late: the questions are asked in another one, or nowhere.\n";
#endif
  return false;
}

// The window it opens is 100 columns wide; a terminal of the player's is theirs.
void fit_window_to_dialogue() {}

bool window_closes_with_tool() { return set(own_window_marker); }
