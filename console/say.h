#pragma once
// A console message: the text, a line end, and a flush, so that each prompt is
// on the screen before an answer is awaited. The tool's own texts are ASCII
// and go out byte for byte; a text that carries the system's words (UTF-8)
// is shown in the player's language on Windows too.

#include <cstddef>
#include <string>
#include <string_view>

void say(std::string_view text);

// The narrowest console a player has: Windows 7 and 8, Wine's console
// window, a shared terminal.
inline constexpr std::size_t narrowest_console = 80;

// `text` with each of its lines broken at spaces into lines of at most
// `width` characters (UTF-8 counted by character, not byte); a word longer
// than that is cut. The same bytes wherever the output goes.
std::string wrapped(std::string_view text, std::size_t width = narrowest_console);

// A line of the tool's own, which may carry an owner's name or the
// system's words, said so that it reads whole on the narrowest console.
// The dialogue's fixed texts go through say() as they stand.
void tell(std::string_view text);
