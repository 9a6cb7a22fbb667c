#pragma once
// A window for a run started without one. Players start the tool with a
// double-click: on Windows that gives it a console window of its own, which
// closes with it; a Linux desktop's file manager gives it no terminal at all,
// so there it opens a terminal emulator's window and runs again inside it.

#include <string>

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
// (from PATH), the file itself. "" where neither can be known.
std::string tool_path(const char* started_as);

// Starts the tool again in a terminal emulator's window and waits for that
// run to report. False when none opened one: a message box and standard
// error have said so.
bool open_own_window(const std::string& tool);

// For the run in the window: whether the first run still waits for it. A
// window that comes after the first run gave up on it says so and must end.
bool window_may_run();

// Makes a window that the tool has to itself wide enough for the dialogue's
// longest line; a console or terminal shared with a shell stays as it is.
void fit_window_to_dialogue();

// Whether the window closes when the tool ends, taking its last lines with
// it: on Windows a console the tool has to itself, on Linux the window it
// opened for itself.
bool window_closes_with_tool();
