// POSIX systems other than Linux: macOS's Finder opens a double-clicked
// program in Terminal itself, so there is no window to open for it.

#include "window/window.h"

std::optional<int> ready_window_for_questions(const char* /*started_as*/) { return std::nullopt; }

bool window_closes_with_tool() { return false; }
