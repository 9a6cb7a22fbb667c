#pragma once
// Single-key answers, taken straight from the console without echo and
// without waiting for Enter, and the typed numbers that Ctrl-C can cut short.

#include <cstdint>
#include <optional>

// How a yes/no wait ended: with an answer, or without one because the keys
// ran out or the player pressed Ctrl-C.
enum class KeyAnswer { yes, no, input_ended, interrupted };

// Waits for 'y' or 'n'; every other key is ignored without a word.
KeyAnswer wait_yes_no();

// Waits for one key of any kind, or for the keys to run out. What the key
// left unread (an arrow key sends several codes) is thrown away, so that it
// does not reach the shell after the tool ends.
void wait_any_key();

// Throws away the keys typed on a console and not yet read (an Enter pressed
// by habit after a yes/no answer), so that a prompt written next waits for a
// key pressed after it. Keys from a pipe are left to come as they were given.
void drop_keys_typed_ahead();

// From now on Ctrl-C, and on Windows Ctrl-Break, no longer ends the process:
// it is recorded, and a wait for a key or a number ends as interrupted.
// `before_forced_end` runs when the process is ended anyway (on Windows, its
// console window closed), to let the file work under way finish.
void catch_interrupts(void (*before_forced_end)());

// A typed number, or how the wait for one stopped.
struct NumberAnswer {
  std::uint16_t value = 0;
  std::optional<KeyAnswer> stopped;  // input_ended or interrupted, where no number came
};

// read_number on standard input and output; Ctrl-C cuts the wait short.
NumberAnswer read_typed_number();

// Whether Ctrl-C (or Ctrl-Break) was pressed.
bool interrupted();

// Forgets a press, so that a last prompt after it waits for a key again.
void forget_interrupt();
