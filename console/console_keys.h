#pragma once
// The platform's unechoed single-key read, which bypasses standard input, and
// the platform's read of standard input itself, both of which Ctrl-C ends.
// Between begin and end each key arrives at once without being shown; end
// puts the console back as it was found.

#include <cstddef>

// What read_console_key returns once the player pressed Ctrl-C (or, on
// Windows, Ctrl-Break) during the wait, or once its input has ended.
inline constexpr int key_interrupted = -2;
inline constexpr int key_ended = -1;

// False when there is no console to read keys from (a pipe, a service, CI).
bool begin_console_keys();

// The next key code, 0 to 255, or key_interrupted, or key_ended.
int read_console_key();

// Throws away keys typed but not yet read, such as the rest of a key that
// sends several codes at once.
void drop_pending_keys();

void end_console_keys();

// Reads up to `count` bytes of standard input, waiting for them as a number
// question does. 0 once input has ended or Ctrl-C was pressed, before the
// wait began as well as during it.
std::size_t read_standard_input(char* bytes, std::size_t count);

// For input that has just ended: whether an interrupt ended it. On Windows a
// console read that Ctrl-C cuts short returns before the system reports the
// key on a thread of its own, so this waits a moment for that report.
bool input_ended_by_interrupt();
