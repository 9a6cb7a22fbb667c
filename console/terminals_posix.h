#pragma once
// The terminal emulators that a double-click on a Linux desktop may open a
// window with, and how each one is told to run a program in a new window.

#include <string>
#include <vector>

// A terminal emulator found on this machine, and how it is told to run a
// command in a new window.
struct FoundTerminal {
  std::string program;               // the file to run
  std::vector<std::string> options;  // what comes before the command
  bool command_as_text = false;      // the command is one argument, split as a shell would
};

// Every terminal emulator found, in the order to try them: the player's
// $TERMINAL, the desktop-neutral launchers, then the desktops' own. A link,
// such as Debian's x-terminal-emulator, is followed to the terminal it
// names, which is started itself with its own options; each comes once.
std::vector<FoundTerminal> terminals_found();

// The argv that starts `terminal` running `command` (a program's path, then
// its arguments).
std::vector<std::string> command_line(const FoundTerminal& terminal, const std::vector<std::string>& command);

// The program's full path, if it is on PATH (or is a path itself); else "".
std::string on_path(const std::string& program);
