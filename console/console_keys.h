#pragma once
// The platform's unechoed single-key read, which bypasses standard input.
// Between begin and end each key arrives at once without being shown; end
// puts the console back as it was found.

// False when there is no console to read keys from (a pipe, a service, CI).
bool begin_console_keys();

// The next key code, 0 to 255, or -1 once the console's input has ended.
int read_console_key();

void end_console_keys();
