#pragma once
// Getting a console at all. Players start the tool with a double-click: on
// Windows that gives it a console window of its own, which closes with it; a
// Linux desktop's file manager gives it no terminal at all, so there it opens
// a terminal emulator's window and runs again inside it.

enum class WindowLook {
  here,        // the dialogue runs in this process
  opened,      // the tool runs again in a new window: this process ends
  none_found,  // no terminal emulator to open: a line on standard error said so
};

// Opens a window for the dialogue where the tool has no terminal to talk to
// and a graphical session is there; never for scripted use, in CI, or twice.
WindowLook find_a_window();

// Whether the window closes when the tool ends, taking its last lines with
// it: on Windows a console the tool has to itself, on Linux the window it
// opened for itself.
bool window_closes_with_tool();
