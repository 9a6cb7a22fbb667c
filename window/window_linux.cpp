// A file manager on a Linux desktop starts a double-clicked program with no
// terminal: standard input /dev/null (GNOME Files, Thunar, Nemo, Caja,
// PCManFM) or an idle pipe (KDE's Dolphin), output to the session's log (the
// journal, or a plain file such as ~/.xsession-errors). The tool then runs
// again in a terminal emulator's window.

#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "window/how_started_linux.h"
#include "window/message_box_linux.h"
#include "window/paths_posix.h"
#include "window/programs_posix.h"
#include "window/report_linux.h"
#include "window/terminals_linux.h"
#include "window/window.h"

namespace {

bool set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// Carried by the run in the window that the tool opened, so that it never
// opens another and knows that its window closes with it. Its value names
// where the first run waits for word that the window has opened.
constexpr char own_window_marker[] = "HALVANE_RES_OWN_WINDOW";

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

}  // namespace

WindowLook look_for_window() {
  if (set(own_window_marker)) {
    return WindowLook::own_window;
  }
  if (set("CI") || !(set("DISPLAY") || set("WAYLAND_DISPLAY")) || !nobody_to_talk_to()) {
    return WindowLook::here;
  }
  return WindowLook::wanted;
}

bool open_own_window(const std::string& tool) {
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
  return false;
}

bool window_may_run() {
  const char* report = std::getenv(own_window_marker);
  if (report != nullptr && report_to_first_run(report)) {
    return true;
  }
  std::cerr << "This window came too late: the questions are asked in another one, or nowhere.\n";
  return false;
}

// The window it opens is 100 columns wide; a terminal of the player's is theirs.
void fit_window_to_dialogue() {}

bool window_closes_with_tool() { return set(own_window_marker); }
