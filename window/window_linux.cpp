// A file manager on a Linux desktop starts a double-clicked program with no
// terminal: standard input /dev/null (GNOME Files, Thunar, Nemo, Caja,
// PCManFM) or an idle pipe (KDE's Dolphin), output to the session's log (the
// journal, or a plain file such as ~/.xsession-errors). The tool then runs
// again in a terminal emulator's window.

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "console/say.h"
#include "window/how_started_linux.h"
#include "window/message_box_linux.h"
#include "window/paths_linux.h"
#include "window/programs_linux.h"
#include "window/report_linux.h"
#include "window/terminals_linux.h"
#include "window/window.h"

namespace {

bool is_set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// Carried by the run in the window that the tool opened, so that it never
// opens another and knows that its window closes with it. Its value names
// where the first run waits for word that the window has opened.
constexpr char own_window_marker[] = "HALVANE_RES_OWN_WINDOW";

// Standard error goes to the session's log, which the player never sees:
// the same words go on screen in a message box.
void say_no_window(const std::string& text) {
  const std::string lines = wrapped(text);
  std::cerr << lines << '\n' << std::flush;
  show_message_box(lines);
}

// No terminal opened a window: what to install, or where to run the tool.
std::string no_terminal(const std::vector<std::string>& tried, const std::string& name) {
  std::string cause = "found no terminal emulator to open one: install one";
  if (!tried.empty()) {
    std::string names;
    for (const std::string& program : tried) {
      names += (names.empty() ? "" : ", ") + base_name(program);
    }
    cause = "no terminal emulator I tried (" + names + ") opened one: install another";
  }
  return "I need a terminal window to ask my questions, and " + cause +
         " (xterm, konsole or gnome-terminal, say), or open a terminal in the game's folder and run ./" +
         name + " there.";
}

// A cause of the tool's own, before any terminal could help: no terminal to install.
std::string cannot_open(const std::string& cause, const std::string& name) {
  return "I need a terminal window to ask my questions, but could not open one (" + cause +
         "). Open a terminal in the game's folder and run ./" + name + " there.";
}

enum class WindowLook {
  here,        // somebody can answer here: a terminal, a console, a script
  own_window,  // this is the run in the window that the tool opened for itself
  wanted,      // nobody can answer here, and a graphical session can show a window
};

// Decided before anything touches a file. Never a window for scripted use,
// in CI, without a display, or for the run inside one.
WindowLook look_for_window() {
  if (is_set(own_window_marker)) {
    return WindowLook::own_window;
  }
  if (is_set("CI") || !(is_set("DISPLAY") || is_set("WAYLAND_DISPLAY")) || !nobody_to_talk_to()) {
    return WindowLook::here;
  }
  return WindowLook::wanted;
}

// Starts the tool again in a terminal emulator's window and waits for that
// run to report. False when none opened one: a message box and standard
// error have said why.
bool open_own_window(const ToolPath& tool) {
  const std::string name = base_name(tool.path.empty() ? tool.started_as : tool.path);
  if (tool.path.empty()) {
    say_no_window(cannot_open(tool.failure, name));
    return false;
  }
  std::vector<std::string> tried;
  for (const FoundTerminal& terminal : terminals_found()) {
    WindowReport report;
    if (!report.failure().empty()) {
      say_no_window(cannot_open(report.failure(), name));
      return false;
    }
    tried.push_back(terminal.program);
    // env(1) sets the marker inside the window, whatever the terminal passes on.
    const pid_t started =
        start(command_line(terminal,
                           {"/usr/bin/env", std::string(own_window_marker) + "=" + report.name(), tool.path}),
              true);
    if (started > 0 && report.window_reported(started)) {
      return true;
    }
  }
  say_no_window(no_terminal(tried, name));
  return false;
}

// For the run in the window: whether the first run still waits for it. A
// window that comes after the first run gave up on it says so and must end.
bool window_may_run() {
  const char* report = std::getenv(own_window_marker);
  if (report != nullptr && report_to_first_run(report)) {
    return true;
  }
  // This window closes as the tool ends, taking its own lines with it.
  say_no_window("This window came too late: the questions are asked in another one, or nowhere.");
  return false;
}

}  // namespace

// The window it opens has the size in window_size.h; a terminal of the
// player's is theirs.
std::optional<int> ready_window_for_questions(const char* started_as) {
  const WindowLook look = look_for_window();
  if (look == WindowLook::here) {
    return std::nullopt;
  }
  const ToolPath tool = tool_path(started_as);
  std::error_code ignored;  // a folder that cannot be entered leaves "Halvane not found" to say so
  std::filesystem::current_path(std::filesystem::path(tool.path).parent_path(), ignored);
  if (look == WindowLook::wanted) {
    return open_own_window(tool) ? 0 : 1;
  }
  return window_may_run() ? std::nullopt : std::optional<int>(1);
}

bool window_closes_with_tool() { return is_set(own_window_marker); }
