#pragma once
// The size of the window that a double-clicked run opens (a terminal's, on
// Linux) or widens its console to (Windows): wide enough for the dialogue's
// longest line, with room to spare, and tall enough for a question and the
// lines before it.

#include "console/say.h"

inline constexpr int window_columns = 100;
inline constexpr int window_rows = 30;
static_assert(window_columns >= static_cast<int>(longest_dialogue_line) + 10);
