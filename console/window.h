#pragma once
// Getting a console at all. Players start the tool with a double-click: on
// Windows that gives it a console window of its own, which closes with it; a
// Linux desktop's file manager gives it no terminal at all, so there it opens
// a terminal emulator's window and runs again inside it.

enum class WindowLook {
  here,         // the dialogue runs in this process
  opened,       // the tool runs again in a new window, which has said so: this process ends
  none_opened,  // no terminal emulator opened a window: a message box and standard error said so
  too_late,     // this is a window that the first run had given up on: it ends untouched
};

// Opens a window for the dialogue where the tool has no terminal to talk to
// and a graphical session is there; never for scripted use, in CI, or twice.
// `started_as` is the path the tool was started by (argv[0]): the folder it
// names is the game's, even when it names a link to the tool.
WindowLook find_a_window(const char* started_as);

// Whether the window closes when the tool ends, taking its last lines with
// it: on Windows a console the tool has to itself, on Linux the window it
// opened for itself.
bool window_closes_with_tool();
