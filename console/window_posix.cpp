// A file manager on a Linux desktop (Dolphin, GNOME Files, Thunar) starts a
// double-clicked program with no terminal: standard input /dev/null, output
// to the session's log. The tool then runs again in a terminal emulator's
// window. macOS's Finder opens a double-clicked program in Terminal itself.

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "console/window.h"

namespace {

bool set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// Carried by the run in the window that the tool opened, so that it never
// opens another and knows that its window closes with it.
constexpr char own_window_marker[] = "HALVANE_RES_OWN_WINDOW";

#if defined(__linux__)

// How a terminal emulator is told to run the tool: the options that come
// first, each as its own documentation gives them (a size of 100 by 30
// where it takes one: the longest line of the dialogue is 87 characters),
// then the tool's path.
struct Terminal {
  const char* name;
  std::vector<const char*> options;
  bool command_as_text = false;  // the command is one argument, split as a shell would
};

// In the order they are tried: the desktop-neutral launchers, then the
// desktops' own terminals.
const Terminal terminals[] = {
    {"xdg-terminal-exec", {}},
    {"x-terminal-emulator", {"-e"}},
    {"konsole", {"-p", "TerminalColumns=100", "-p", "TerminalRows=30", "-e"}},
    {"gnome-terminal", {"--geometry=100x30", "--"}},
    {"kgx", {"--"}},
    {"xfce4-terminal", {"--geometry=100x30", "-x"}},
    {"mate-terminal", {"--geometry=100x30", "-x"}},
    {"lxterminal", {"--geometry=100x30", "-e"}, true},
    {"kitty", {"-o", "initial_window_width=100c", "-o", "initial_window_height=30c"}},
    {"alacritty", {"-o", "window.dimensions.columns=100", "-o", "window.dimensions.lines=30", "-e"}},
    {"foot", {"--window-size-chars=100x30"}},
    {"wezterm", {"--config", "initial_cols=100", "--config", "initial_rows=30", "start", "--"}},
    {"xterm", {"-geometry", "100x30", "-e"}},
};

// The player's own choice; unless it is one of the above, it is given the
// command with -e, as most terminals take it.
const Terminal* chosen_form(const std::string& program) {
  const std::string name = program.substr(program.find_last_of('/') + 1);
  for (const Terminal& terminal : terminals) {
    if (name == terminal.name) {
      return &terminal;
    }
  }
  static const Terminal plain{"", {"-e"}};
  return &plain;
}

bool pipe_or_file(int fd) {
  struct stat found {};
  return fstat(fd, &found) == 0 && (S_ISFIFO(found.st_mode) || S_ISREG(found.st_mode));
}

// No controlling terminal, and neither standard input nor output is a pipe
// or a file: nobody can see or answer the dialogue.
bool nobody_to_talk_to() {
  const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty >= 0) {
    close(tty);
    return false;
  }
  return !pipe_or_file(STDIN_FILENO) && !pipe_or_file(STDOUT_FILENO);
}

// The program's full path, if it is on PATH (or is a path itself).
std::string on_path(const std::string& program) {
  if (program.find('/') != std::string::npos) {
    return access(program.c_str(), X_OK) == 0 ? program : "";
  }
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= folders.size();) {
    const std::size_t end = std::min(folders.find(':', start), folders.size());
    std::string candidate = folders.substr(start, end - start) + "/" + program;
    if (end > start && access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    start = end + 1;
  }
  return "";
}

std::string own_path() {
  char path[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : "";
}

// The folder that holds the tool, next to Halvane.exe, as a double-click on
// Windows gives it: some file managers start programs in the home folder.
void go_to_own_folder(const std::string& tool) {
  const std::string folder = tool.substr(0, tool.find_last_of('/') + 1);
  if (!folder.empty()) {
    (void)chdir(folder.c_str());
  }
}

// One argument that a shell would split back into `text` alone.
std::string shell_quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

// Starts `terminal` (found at `program`) running the tool, in a session of
// its own so that it outlives this process.
bool start_in(const std::string& program, const Terminal& terminal, const std::string& tool) {
  const std::string command = terminal.command_as_text ? shell_quoted(tool) : tool;
  std::vector<char*> arguments{const_cast<char*>(program.c_str())};
  for (const char* option : terminal.options) {
    arguments.push_back(const_cast<char*>(option));
  }
  arguments.push_back(const_cast<char*>(command.c_str()));
  arguments.push_back(nullptr);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  (void)posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t started = 0;
  const bool ok =
      posix_spawn(&started, program.c_str(), nullptr, &attributes, arguments.data(), environ) == 0;
  posix_spawnattr_destroy(&attributes);
  return ok;
}
#endif

}  // namespace

WindowLook find_a_window() {
#if defined(__linux__)
  const std::string tool = own_path();
  if (set(own_window_marker)) {
    go_to_own_folder(tool);
    return WindowLook::here;
  }
  if (!nobody_to_talk_to() || !(set("DISPLAY") || set("WAYLAND_DISPLAY")) || set("CI") || tool.empty()) {
    return WindowLook::here;
  }
  go_to_own_folder(tool);
  (void)setenv(own_window_marker, "1", 1);
  std::vector<std::pair<std::string, const Terminal*>> candidates;
  if (const char* chosen = std::getenv("TERMINAL"); chosen != nullptr && *chosen != '\0') {
    candidates.emplace_back(chosen, chosen_form(chosen));
  }
  for (const Terminal& terminal : terminals) {
    candidates.emplace_back(terminal.name, &terminal);
  }
  for (const auto& [name, terminal] : candidates) {
    const std::string program = on_path(name);
    if (!program.empty() && start_in(program, *terminal, tool)) {
      return WindowLook::opened;
    }
  }
  std::cerr << "I need a terminal window to ask my questions, and found no terminal emulator to open one: "
               "install one (xterm, konsole or gnome-terminal, say), or open a terminal in the game's folder "
               "and run ./halvane-res there.\n";
  return WindowLook::none_found;
#else
  return WindowLook::here;
#endif
}

bool window_closes_with_tool() { return set(own_window_marker); }
