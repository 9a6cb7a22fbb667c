#pragma once
// The terminal emulators that a double-click on a Linux desktop may open a
// window with, and how each one is told to run a program in a new window.

#include <string>
#include <vector>

// A listed terminal emulator and the command form its documentation gives.
struct Terminal;

// A terminal emulator found on this machine, and how it is told to run a
// command in a new window.
struct FoundTerminal {
  std::string program;                   // the file to run
  const Terminal* form;                  // the options before the command, and how it is passed
  std::vector<std::string> own_options;  // the player's own, from $TERMINAL, before the form's
};

// Every terminal emulator found, in the order to try them: the player's
// $TERMINAL (split into words as a shell splits $EDITOR's, without quotes:
// "kitty -1" is kitty with -1), the desktop-neutral launchers, then the
// desktops' own. A link, such as Debian's x-terminal-emulator, is followed
// to the terminal it names, which is started itself with its own options;
// each comes once.
std::vector<FoundTerminal> terminals_found();

// The argv that starts `terminal` running `command` (a program's path, then
// its arguments).
std::vector<std::string> command_line(const FoundTerminal& terminal, const std::vector<std::string>& command);
