#pragma once
// A console message: the text, a line end, and a flush, so that each prompt is
// on the screen before an answer is awaited. The tool's own texts are ASCII
// and go out byte for byte; a text that carries the system's words (UTF-8)
// is shown in the player's language on Windows too.

#include <string_view>

void say(std::string_view text);
