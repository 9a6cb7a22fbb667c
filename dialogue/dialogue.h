#pragma once
// The whole run: one pass through a fixed dialogue on the console.

#include <algorithm>
#include <cstddef>
#include <string_view>

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

// Runs the dialogue once on Halvane.exe in the current folder and returns
// the exit status: 0 on every ordinary path; 1 when Halvane.exe is there but
// cannot be patched, input ended, a size could not be read or a write
// failed; 130 when the player pressed Ctrl-C (or Ctrl-Break) at any question.
int run_dialogue();
