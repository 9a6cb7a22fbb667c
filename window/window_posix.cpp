// POSIX systems other than Linux: macOS's Finder opens a double-clicked
// program in Terminal itself, so there is no window to open for it.

#include "window/window.h"

WindowLook look_for_window() { return WindowLook::here; }

bool open_own_window(const ToolPath& /*tool*/) { return false; }

bool window_may_run() { return false; }

void fit_window_to_dialogue() {}

bool window_closes_with_tool() { return false; }
