#pragma once
// A window for a run started without one. Players start the tool with a
// double-click: on Windows that gives it a console window of its own, which
// closes with it; a Linux desktop's file manager gives it no terminal at all,
// so there it opens a terminal emulator's window and runs again inside it.

#include <optional>

// Readies a run for its questions. Linux: a run started by a double-click
// enters the tool's own folder, where the game is (the file manager may have
// started it anywhere); then, with nobody to answer, it opens a terminal
// window, runs again inside it, and ends here, its exit status returned.
// Windows: a console of its own is made wide enough for the longest line.
// A run from a terminal or a script stays as it is. nullopt: go on with the
// dialogue.
std::optional<int> ready_window_for_questions(const char* started_as);

// Whether the window closes when the tool ends, taking its last lines with
// it: on Windows a console the tool has to itself, on Linux the window it
// opened for itself.
bool window_closes_with_tool();
