#pragma once
// A window for a run started without one. Players start the tool with a
// double-click: on Windows that gives it a console window of its own, which
// closes with it; a Linux desktop's file manager gives it no terminal at all,
// so there it opens a terminal emulator's window and runs again inside it.

#include <optional>
#include <string>

// Readies a run for its questions. A run started by a double-click changes
// the working folder to the tool's own, where the game is (the file manager
// or terminal may have started it anywhere); then, with nobody to answer,
// it opens a window of its own and ends here, its exit status returned. A
// run from a terminal or a script stays in the current folder. nullopt: go
// on with the dialogue, in a window fitted to it.
std::optional<int> enter_tool_folder_if_double_clicked(const char* started_as);

// Whether the window closes when the tool ends, taking its last lines with
// it: on Windows a console the tool has to itself, on Linux the window it
// opened for itself.
bool window_closes_with_tool();

// The platform's steps, for enter_tool_folder_if_double_clicked.

enum class WindowLook {
  here,        // somebody can answer here: a terminal, a console, a script
  own_window,  // this is the run in the window that the tool opened for itself
  wanted,      // nobody can answer here, and a graphical session can show a window
};

// Decided before anything touches a file. Never a window for scripted use,
// in CI, without a display, or for the run inside one.
WindowLook look_for_window();

// The path the tool was started by (argv[0]), made whole: a link to the
// tool in the game's folder counts as being there. Started by a bare name
// (from PATH), the file itself.
struct ToolPath {
  std::string path;        // "" where it cannot be known
  std::string failure;     // then why, in the system's words
  std::string started_as;  // argv[0] as it came
};
ToolPath tool_path(const char* started_as);

// Starts the tool again in a terminal emulator's window and waits for that
// run to report. False when none opened one: a message box and standard
// error have said why.
bool open_own_window(const ToolPath& tool);

// For the run in the window: whether the first run still waits for it. A
// window that comes after the first run gave up on it says so and must end.
bool window_may_run();

// Makes a window that the tool has to itself wide enough for the dialogue's
// longest line, where the window itself can follow; a console or terminal
// shared with a shell stays as it is.
void fit_window_to_dialogue();
