#pragma once
// A console message: the text, a line end, and a flush, so that each prompt is
// on the screen before an answer is awaited. The tool's own texts are ASCII
// and go out byte for byte; a text that carries the system's words (UTF-8)
// is shown in the player's language on Windows too.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

void say_verbatim(std::string_view text);

// The narrowest console a player has: Windows 7 and 8, Wine's console
// window, a shared terminal.
inline constexpr std::size_t narrowest_console = 80;
// The widest line of ours: one that fills the last column leaves Windows'
// classic console a blank line after it.
inline constexpr std::size_t widest_line = narrowest_console - 1;

// The columns of the longest line of the dialogue's fixed texts: the
// question whether to write the font. The dialogue's texts are checked
// against it where they stand; the windows the tool opens or widens are
// made wide enough for it.
inline constexpr std::size_t longest_dialogue_line = 87;

// The columns of the longest line of `text` (its texts are ASCII).
constexpr std::size_t longest_line_of(std::string_view text) {
  std::size_t longest = 0;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    longest = std::max(longest, end - start);
    start = end + 1;
  }
  return longest;
}

// `text` with each of its lines broken into lines of at most `width`
// columns, as a console draws UTF-8: 0 for a combining mark, 2 for a wide
// or full-width character. Lines break at spaces, and between two wide
// characters (Chinese and Japanese have no spaces); a word longer than a
// line is cut. A width of 0 leaves the text as it is. The same bytes
// wherever the output goes.
std::string wrapped(std::string_view text, std::size_t width = widest_line);

// The columns of the console or terminal that the output goes to; 0 where
// it goes to a pipe or a file, or the width is not known.
std::size_t output_columns();

// A line of the tool's own, which may carry an owner's name or the
// system's words, said so that it reads whole on the narrowest console, or
// on a narrower window where the output goes to one.
// The dialogue's fixed texts go through say_verbatim() as they stand.
void say_wrapped(std::string_view text);
